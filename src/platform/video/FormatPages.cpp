#include "platform/video/FormatPages.h"

#include "platform/trace/Trace.h"
#include "platform/video/StreamConfig.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

FormatPagesDialog::FormatPagesDialog(StreamConfig& config, const PropertyFrame& frame,
                                     QWidget* owner)
    : CameraPagesDialog(frame, PageText::FormatTitle, owner), m_config(config),
      m_list(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("videoFormat"));
    QGridLayout* grid = AddPage(PageText::StreamFormat, QStringLiteral("page/format"));
    m_list->setObjectName(QStringLiteral("formats"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHeaderLabels(
        {Text(PageText::FormatColumn), Text(PageText::SizeColumn), Text(PageText::RatesColumn)});
    m_list->setMinimumHeight(260);
    grid->addWidget(m_list, 0, 0, 1, 4);

    const QList<VideoCapability>& caps = m_config.Capabilities();
    for (qsizetype i = 0; i < caps.size(); ++i) {
        const VideoCapability& cap = caps[i];
        auto* item = new QTreeWidgetItem(
            m_list,
            {cap.format, QStringLiteral("%1 x %2").arg(cap.width).arg(cap.height), RatesText(cap)});
        item->setData(0, Qt::UserRole, int(i));
        if (cap.SameFormat(m_config.Format())) {
            m_list->setCurrentItem(item);
        }
    }
    if (caps.isEmpty()) {
        grid->addWidget(new QLabel(Text(PageText::NoFormats), this), 1, 0, 1, 4);
    } else if (!m_list->currentItem()) {
        m_list->setCurrentItem(m_list->topLevelItem(0));
    }
    for (int column = 0; column + 1 < m_list->columnCount(); ++column) {
        m_list->resizeColumnToContents(column);
        m_list->setColumnWidth(column, m_list->columnWidth(column) + 24);
    }
    m_list->scrollToItem(m_list->currentItem());

    QPushButton* ok = buttons()->addButton(Text(PageText::Ok), QDialogButtonBox::AcceptRole);
    buttons()->addButton(Text(PageText::Cancel), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    ok->setEnabled(!caps.isEmpty());
    connect(buttons(), &QDialogButtonBox::accepted, this, &FormatPagesDialog::Apply);
    connect(buttons(), &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The list ignores Enter, which the dialog then gives to OK; a double click is OK too.
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &FormatPagesDialog::Apply);
    m_list->setFocus();
}

QString FormatPagesDialog::RatesText(const VideoCapability& cap) {
    QStringList rates;
    for (const Fraction& rate : cap.frameRates) {
        if (rate.den > 0) {
            rates.append(QString::number(double(rate.num) / rate.den, 'g', 4));
        }
    }
    return rates.join(QStringLiteral(", "));
}

void FormatPagesDialog::Apply() {
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item) {
        return;
    }
    const int index = item->data(0, Qt::UserRole).toInt();
    const VideoCapability cap = m_config.Capabilities().value(index);
    if (!m_config.SetFormat(cap)) {
        qCDebug(veldorTrace, "format page: %s %d x %d was not taken", qUtf8Printable(cap.format),
                cap.width, cap.height);
    }
    accept();
}
