#include "platform/video/CameraPages.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int kPageWidth = 520;
constexpr int kLabelWidth = 140;
constexpr int kValueWidth = 70;

} // namespace

CameraPagesDialog::CameraPagesDialog(const PropertyFrame& frame, PageText title, QWidget* owner)
    : QDialog(owner), m_language(frame.language), m_tabs(new QTabWidget(this)),
      m_buttons(new QDialogButtonBox(this)) {
    setWindowTitle(Text(title).arg(frame.cameraName));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);
    m_tabs->setMinimumWidth(kPageWidth);
    move(owner ? owner->mapToGlobal(QPoint(30, 30)) : QPoint(30, 30));
}

QGridLayout* CameraPagesDialog::AddPage(PageText title, const QString& objectName) {
    auto* page = new QWidget(m_tabs);
    page->setObjectName(objectName);
    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(10);
    grid->setColumnMinimumWidth(0, kLabelWidth);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(2, kValueWidth);
    m_tabs->addTab(page, Text(title));
    return grid;
}
