#include "config_detail_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/japanese_text_room.h"
#include "ui/named_button.h"
#include "ui/qt_text.h"

namespace vz::ui {

namespace {

// Field numbers of the site line.
enum Field {
    IndexName = 0,
    IndexAddress = 1,
    ServerAddressHeader = 2,
    FileName = 3,
    FilterIndex1 = 4,
    FilterIndex2 = 5,
    FilterHeadline1 = 6,
    FilterHeadline2 = 7,
    FilterText1 = 8,
    FilterText2 = 9,
    NrPage = 13,
    minPix = 14,
};

} // namespace

ConfigDetailWindow::ConfigDetailWindow(edit::ConfigDetail& detail, QWidget* parent) : QWidget(parent), m_detail(detail)
{
    setObjectName(QStringLiteral("frmConfigDetail"));
    setWindowTitle(QStringLiteral("Details of Index"));
    buildControls();
    makeRoomForJapanese(*this);
}

QLineEdit* ConfigDetailWindow::box(int field) const
{
    return m_boxes[field];
}

void ConfigDetailWindow::buildControls()
{
    const std::pair<int, const char*> named[] = {
        {IndexName, "IndexName"},
        {IndexAddress, "IndexAddress"},
        {ServerAddressHeader, "ServerAddressHeader"},
        {FileName, "FileName"},
        {FilterIndex1, "FilterIndex1"},
        {FilterIndex2, "FilterIndex2"},
        {FilterHeadline1, "FilterHeadline1"},
        {FilterHeadline2, "FilterHeadline2"},
        {FilterText1, "FilterText1"},
        {FilterText2, "FilterText2"},
        {NrPage, "NrPage"},
        {minPix, "minPix"},
    };
    for (const auto& [field, name] : named) {
        m_boxes[field] = new QLineEdit;
        m_boxes[field]->setObjectName(QString::fromLatin1(name));
    }
    box(IndexName)->setMinimumWidth(480);
    box(minPix)->setMaximumWidth(80);
    box(NrPage)->setMaximumWidth(80);

    auto* column = new QVBoxLayout(this);
    column->addWidget(box(IndexName));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("出力ファイル名"), box(FileName));
    form->addRow(QStringLiteral("インデックスアドレス"), box(IndexAddress));
    form->addRow(QStringLiteral("ホストアドレスヘッダ"), box(ServerAddressHeader));
    form->addRow(QStringLiteral("ダウンロード記事数"), box(NrPage));
    form->addRow(QStringLiteral("インデックスを切り出す文字列"), box(FilterIndex1));
    form->addRow(QString(), box(FilterIndex2));
    form->addRow(QStringLiteral("ヘッダを切り出す文字列"), box(FilterHeadline1));
    form->addRow(QString(), box(FilterHeadline2));
    form->addRow(QStringLiteral("記事を切り出す文字列"), box(FilterText1));
    form->addRow(QString(), box(FilterText2));
    column->addLayout(form);

    m_chkAllTag = new QCheckBox(QStringLiteral("タグを全部除去"));
    m_chkAllTag->setObjectName(QStringLiteral("chkAllTag"));
    m_chkPix = new QCheckBox(QStringLiteral("画像を保持："));
    m_chkPix->setObjectName(QStringLiteral("chkPix"));
    auto* optionRow = new QHBoxLayout;
    optionRow->addWidget(m_chkAllTag);
    optionRow->addSpacing(24);
    optionRow->addWidget(m_chkPix);
    optionRow->addStretch();
    optionRow->addWidget(new QLabel(QStringLiteral("最小サイズ")));
    optionRow->addWidget(box(minPix));
    column->addLayout(optionRow);

    auto* tables = new QGroupBox(QStringLiteral("テーブルタグ:"));
    m_optKeepTable = new QRadioButton(QStringLiteral("全部のテーブルを保持"));
    m_optKeepTable->setObjectName(QStringLiteral("optKeepTable"));
    m_optTableTag = new QRadioButton(QStringLiteral("テーブルタグのみ除去"));
    m_optTableTag->setObjectName(QStringLiteral("optTableTag"));
    m_optAllTable = new QRadioButton(QStringLiteral("テーブルをすべて除去"));
    m_optAllTable->setObjectName(QStringLiteral("optAllTable"));
    auto* tableRow = new QHBoxLayout(tables);
    tableRow->addWidget(m_optKeepTable);
    tableRow->addWidget(m_optTableTag);
    tableRow->addWidget(m_optAllTable);
    column->addWidget(tables);

    auto* cmdDelete = namedButton(QStringLiteral("cmdDelete"), QStringLiteral("削除"));
    auto* cmdClose = namedButton(QStringLiteral("cmdClose"), QStringLiteral("閉じる"));
    auto* cmdOK = namedButton(QStringLiteral("cmdOK"), QStringLiteral("OK"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdDelete);
    bottom->addWidget(cmdClose);
    bottom->addWidget(cmdOK);
    column->addLayout(bottom);

    connect(cmdOK, &QPushButton::clicked, this, [this] {
        takeForm();
        m_detail.OK();
    });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { m_detail.deleteSite(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { m_detail.close(); });
}

void ConfigDetailWindow::takeForm()
{
    edit::DetailForm& form = m_detail.form;
    for (int field = 0; field < run::SiteRecord::kFieldCount; ++field) {
        if (m_boxes[field]) {
            form.fields.field(field) = fromQt(m_boxes[field]->text());
        }
    }
    form.chkAllTag = m_chkAllTag->isChecked();
    form.chkPix = m_chkPix->isChecked();
    form.table = m_optAllTable->isChecked()   ? edit::DetailForm::TableChoice::optAllTable
                 : m_optTableTag->isChecked() ? edit::DetailForm::TableChoice::optTableTag
                                              : edit::DetailForm::TableChoice::optKeepTable;
}

void ConfigDetailWindow::refresh()
{
    setWindowTitle(toQt(m_detail.caption()));
    if (m_shownBinding == m_detail.binding()) {
        return;
    }
    m_shownBinding = m_detail.binding();
    const edit::DetailForm& form = m_detail.form;
    for (int field = 0; field < run::SiteRecord::kFieldCount; ++field) {
        if (m_boxes[field]) {
            m_boxes[field]->setText(toQt(form.fields.field(field)));
        }
    }
    m_chkAllTag->setChecked(form.chkAllTag);
    m_chkPix->setChecked(form.chkPix);
    switch (form.table) {
    case edit::DetailForm::TableChoice::optKeepTable:
        m_optKeepTable->setChecked(true);
        break;
    case edit::DetailForm::TableChoice::optTableTag:
        m_optTableTag->setChecked(true);
        break;
    case edit::DetailForm::TableChoice::optAllTable:
        m_optAllTable->setChecked(true);
        break;
    }
}

void ConfigDetailWindow::closeEvent(QCloseEvent* event)
{
    // The title bar closes as the close button does: after asking.
    if (m_detail.isOpen() && !m_detail.close()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace vz::ui
