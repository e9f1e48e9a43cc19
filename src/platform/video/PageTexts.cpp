#include "platform/video/PageTexts.h"

#include "platform/language/Language.h"

namespace {

struct TextPair {
    PageText text;
    const char* english;
    const char* japanese;
};

constexpr TextPair kTexts[] = {
    {PageText::PropertiesTitle, "%1 Properties", "%1 のプロパティ"},
    {PageText::FormatTitle, "%1 Video Format", "%1 のビデオ フォーマット"},
    {PageText::VideoProcAmp, "Video Proc Amp", "ビデオ プロセッサ アンプ"},
    {PageText::CameraControl, "Camera Control", "カメラ コントロール"},
    {PageText::StreamFormat, "Stream Format", "ストリーム形式"},
    {PageText::Default, "Default", "既定値"},
    {PageText::Auto, "Auto", "自動"},
    {PageText::Close, "Close", "閉じる"},
    {PageText::Ok, "OK", "OK"},
    {PageText::Cancel, "Cancel", "キャンセル"},
    {PageText::NoControls, "The camera offers no picture controls.",
     "このカメラには調整できる項目がありません。"},
    {PageText::NoFormats, "The camera offers no capture format.",
     "このカメラには選べるフォーマットがありません。"},
    {PageText::FormatColumn, "Format", "形式"},
    {PageText::SizeColumn, "Size", "サイズ"},
    {PageText::RatesColumn, "Frame rates", "フレーム レート"},
};

struct ControlName {
    int kind;
    int propertyId;
    const char* japanese;
};

// By the property numbers of the camera property table.
constexpr ControlName kJapaneseControlNames[] = {
    {kVideoProcAmp, 0, "明るさ"},       {kVideoProcAmp, 1, "コントラスト"},
    {kVideoProcAmp, 2, "色合い"},       {kVideoProcAmp, 3, "鮮やかさ"},
    {kVideoProcAmp, 4, "鮮明度"},       {kVideoProcAmp, 5, "ガンマ"},
    {kVideoProcAmp, 6, "カラー"},       {kVideoProcAmp, 7, "ホワイト バランス"},
    {kVideoProcAmp, 8, "逆光補正"},     {kVideoProcAmp, 9, "ゲイン"},
    {kVideoProcAmp, 13, "電源周波数"},  {kCameraControl, 0, "パン"},
    {kCameraControl, 1, "チルト"},      {kCameraControl, 2, "ロール"},
    {kCameraControl, 3, "ズーム"},      {kCameraControl, 4, "露出"},
    {kCameraControl, 5, "絞り"},        {kCameraControl, 6, "フォーカス"},
    {kCameraControl, 19, "低照度補正"},
};

} // namespace

QString PageString(PageText text, int language) {
    for (const TextPair& pair : kTexts) {
        if (pair.text == text) {
            return QString::fromUtf8(language == kJapanese ? pair.japanese : pair.english);
        }
    }
    return QString();
}

QString ControlLabel(const ControlInfo& info, int language) {
    if (language == kJapanese) {
        for (const ControlName& name : kJapaneseControlNames) {
            if (name.kind == info.kind && name.propertyId == info.propertyId) {
                return QString::fromUtf8(name.japanese);
            }
        }
    }
    return info.name;
}
