#include "config_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/dialog_keys.h"
#include "ui/japanese_text_room.h"
#include "ui/named_button.h"
#include "ui/qt_text.h"

namespace vz::ui {

namespace {

QString indexed(const char* name, int index)
{
    return QString::fromLatin1(name) + QString::number(index);
}

/// A check box without text, as the captions stand beside the boxes as labels of their own.
QCheckBox* bareBox(const QString& name)
{
    auto* box = new QCheckBox;
    box->setObjectName(name);
    return box;
}

QLineEdit* textBox(const QString& name, int width)
{
    auto* box = new QLineEdit;
    box->setObjectName(name);
    box->setMinimumWidth(width);
    return box;
}

QLabel* caption(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

void setText(QLineEdit* box, const std::u16string& text)
{
    if (box->text() != toQt(text)) {
        const QSignalBlocker block(box);
        box->setText(toQt(text));
        // A long name or path shows its beginning.
        box->setCursorPosition(0);
    }
}

void setChecked(QCheckBox* box, bool checked)
{
    const QSignalBlocker block(box);
    box->setChecked(checked);
}

} // namespace

ConfigWindow::ConfigWindow(edit::ConfigEditor& editor, QWidget* parent) : QWidget(parent), m_editor(editor)
{
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(QStringLiteral("Configuration"));
    buildControls();
    makeRoomForJapanese(*this);
}

void ConfigWindow::buildControls()
{
    auto* column = new QVBoxLayout(this);

    // Automatic run, in bold as the one setting that changes how the program starts.
    m_AutoStart = bareBox(QStringLiteral("AutoStart"));
    auto* autoCaption = caption(QStringLiteral("自動実行"), m_AutoStart);
    QFont bold = autoCaption->font();
    bold.setBold(true);
    autoCaption->setFont(bold);
    auto* autoRow = new QHBoxLayout;
    autoRow->addWidget(m_AutoStart);
    autoRow->addWidget(autoCaption);
    autoRow->addStretch();
    column->addLayout(autoRow);

    m_AutoStart->setToolTip(QStringLiteral("起動するとすぐに集め、終わるとプログラムを閉じます"));
    autoCaption->setToolTip(m_AutoStart->toolTip());
    m_DataPath = textBox(QStringLiteral("DataPath"), 360);
    m_DataPath->setToolTip(QStringLiteral("集めたページを書き込むフォルダ（空のときはプログラムのフォルダ）"));
    auto* dataRow = new QHBoxLayout;
    dataRow->addWidget(caption(QStringLiteral("データ出力先"), m_DataPath));
    dataRow->addWidget(m_DataPath, 1);
    column->addLayout(dataRow);

    m_FitToScreen = bareBox(QStringLiteral("FitToScreen"));
    m_NrLtrLine = textBox(QStringLiteral("NrLtrLine"), 60);
    m_NrLtrLine->setMaximumWidth(80);
    // A number, checked again when saving; letters would stop the next run.
    m_NrLtrLine->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_NrLtrLine));
    m_NrLtrLine->setToolTip(QStringLiteral("小さな画面の1行に入る文字数（数字で）"));
    m_FitToScreen->setToolTip(QStringLiteral("1行の文字数に合わせて改行を入れます"));
    auto* fitRow = new QHBoxLayout;
    fitRow->addWidget(m_FitToScreen);
    fitRow->addWidget(caption(QStringLiteral(" \"Fit to Screen\"サポート"), m_FitToScreen));
    fitRow->addSpacing(24);
    fitRow->addWidget(caption(QStringLiteral("１行文字数"), m_NrLtrLine));
    fitRow->addWidget(m_NrLtrLine);
    fitRow->addStretch();
    column->addLayout(fitRow);

    m_chkDailySort = bareBox(QStringLiteral("chkDailySort"));
    m_chkDailySort->setToolTip(QStringLiteral("データ出力先の中に日付（yymmdd）のフォルダを作ってそこへ書き込みます"));
    auto* dailyRow = new QHBoxLayout;
    dailyRow->addWidget(m_chkDailySort);
    dailyRow->addWidget(caption(QStringLiteral("日付ディレクトリでソート"), m_chkDailySort));
    dailyRow->addStretch();
    column->addLayout(dailyRow);

    m_chkContents = bareBox(QStringLiteral("chkContents"));
    m_chkSeparateFiles = bareBox(QStringLiteral("chkSeparateFiles"));
    m_chkContents->setToolTip(QStringLiteral("サイトのページへのリンクを並べた index.html を作ります"));
    m_chkSeparateFiles->setToolTip(QStringLiteral("記事を1本ずつ別のファイルにし、サイトのページにはリンクを並べます"));
    auto* pagesRow = new QHBoxLayout;
    pagesRow->addWidget(m_chkContents);
    pagesRow->addWidget(caption(QStringLiteral("目次ページ（index.html）の作成"), m_chkContents));
    pagesRow->addSpacing(24);
    pagesRow->addWidget(m_chkSeparateFiles);
    pagesRow->addWidget(caption(QStringLiteral("記事を別々のファイルに保存"), m_chkSeparateFiles));
    pagesRow->addStretch();
    column->addLayout(pagesRow);

    m_chkEpub = bareBox(QStringLiteral("chkEpub"));
    m_chkEpub->setToolTip(QStringLiteral("集めた記事をすべて1冊の EPUB（電子書籍）にして、ページの横に書き込みます"));
    m_chkVertical = bareBox(QStringLiteral("chkVertical"));
    m_chkVertical->setToolTip(QStringLiteral("EPUB の本文を縦書きにし、ページを右から左へめくるようにします"));
    m_lblVertical = caption(QStringLiteral("縦書き"), m_chkVertical);
    auto* bookRow = new QHBoxLayout;
    bookRow->addWidget(m_chkEpub);
    bookRow->addWidget(caption(QStringLiteral("EPUBも作成"), m_chkEpub));
    bookRow->addSpacing(24);
    bookRow->addWidget(m_chkVertical);
    bookRow->addWidget(m_lblVertical);
    bookRow->addStretch();
    column->addLayout(bookRow);

    m_chkOnlyNew = bareBox(QStringLiteral("chkOnlyNew"));
    m_chkOnlyNew->setToolTip(
        QStringLiteral("前の実行で集めた記事は取りに行かず、新しい記事だけを集めます（サイトごとに覚えます）"));
    auto* onlyNewRow = new QHBoxLayout;
    onlyNewRow->addWidget(m_chkOnlyNew);
    onlyNewRow->addWidget(caption(QStringLiteral("前回までに取得した記事は除く"), m_chkOnlyNew));
    onlyNewRow->addStretch();
    column->addLayout(onlyNewRow);

    m_chkChgIni = bareBox(QStringLiteral("chkChgIni"));
    m_chkChgIni->setToolTip(QStringLiteral("毎日この.iniファイルで集めます"));
    m_dayBoxes = new QWidget;
    m_dayBoxes->setObjectName(QStringLiteral("dayBoxes"));
    auto* dayGrid = new QGridLayout(m_dayBoxes);
    dayGrid->setContentsMargins(0, 0, 0, 0);
    dayGrid->addWidget(new QLabel(QStringLiteral("この.ini ファイルを使うのは")), 1, 0);
    const QString dayLabels[] = {QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"), QStringLiteral("木"),
                                 QStringLiteral("金"), QStringLiteral("土"), QStringLiteral("日")};
    for (int k = 0; k < 7; ++k) {
        auto* label = new QLabel(dayLabels[k]);
        label->setAlignment(Qt::AlignCenter);
        if (k == 5) {
            label->setStyleSheet(QStringLiteral("color: blue"));
        } else if (k == 6) {
            label->setStyleSheet(QStringLiteral("color: red"));
        }
        m_chkDay[static_cast<std::size_t>(k)] = bareBox(indexed("chkDay", k + 1));
        m_chkDay[static_cast<std::size_t>(k)]->setToolTip(
            QStringLiteral("%1曜日にこの.iniファイルで集めます").arg(dayLabels[k]));
        dayGrid->addWidget(label, 0, k + 1, Qt::AlignCenter);
        dayGrid->addWidget(m_chkDay[static_cast<std::size_t>(k)], 1, k + 1, Qt::AlignCenter);
    }
    auto* daysRow = new QHBoxLayout;
    daysRow->addWidget(m_chkChgIni);
    daysRow->addWidget(caption(QStringLiteral("常にこの.iniファイルを使用"), m_chkChgIni));
    daysRow->addSpacing(24);
    daysRow->addWidget(m_dayBoxes);
    daysRow->addStretch();
    column->addLayout(daysRow);

    auto* cmdCheckAll = namedButton(QStringLiteral("cmdCheckAll"), QStringLiteral("全部チェック"));
    auto* cmdUncheckAll = namedButton(QStringLiteral("cmdUncheckAll"), QStringLiteral("全部はずす"));
    cmdCheckAll->setToolTip(QStringLiteral("ファイルにあるサイトをすべて使います"));
    cmdUncheckAll->setToolTip(QStringLiteral("ファイルにあるサイトをすべて休ませます"));
    m_NrPage = textBox(QStringLiteral("NrPage"), 60);
    m_NrPage->setMaximumWidth(80);
    // Loaded and written back unchanged, never edited here.
    m_NrPage->setEnabled(false);
    auto* nrPageCaption = caption(QStringLiteral("ダウンロードする記事数"), m_NrPage);
    nrPageCaption->setEnabled(false);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(cmdCheckAll);
    checkRow->addWidget(cmdUncheckAll);
    checkRow->addStretch();
    checkRow->addWidget(nrPageCaption);
    checkRow->addWidget(m_NrPage);
    column->addLayout(checkRow);

    auto* rows = new QGridLayout;
    const QString headings[] = {QStringLiteral("使う"), QStringLiteral("サイト名"), QStringLiteral("出力ファイル名")};
    for (int at = 0; at < 3; ++at) {
        auto* heading = new QLabel(headings[at]);
        heading->setObjectName(indexed("lblHeading", at));
        rows->addWidget(heading, 0, at);
    }
    for (int i = 0; i < edit::ConfigEditor::kPageRows; ++i) {
        const auto at = static_cast<std::size_t>(i);
        m_valid[at] = bareBox(indexed("valid", i));
        m_valid[at]->setToolTip(QStringLiteral("チェックを入れたサイトだけを集めます"));
        m_SiteName[at] = textBox(indexed("SiteName", i), 240);
        m_SiteName[at]->setToolTip(QStringLiteral("サイトの名前（ページの題と見出しになります）"));
        m_FileName[at] = textBox(indexed("FileName", i), 160);
        m_FileName[at]->setToolTip(QStringLiteral("データ出力先の中に書き込むファイルの名前（フォルダは入れません）"));
        m_cmdDetail[at] = namedButton(indexed("cmdDetail", i), QStringLiteral("詳細"));
        m_cmdDetail[at]->setToolTip(QStringLiteral("この行のサイトの設定をすべて見て、変えます"));
        m_cmdDelete[at] = namedButton(indexed("cmdDelete", i), QStringLiteral("削除"));
        m_cmdDelete[at]->setToolTip(QStringLiteral("この行のサイトを消します"));
        rows->addWidget(m_valid[at], i + 1, 0, Qt::AlignCenter);
        rows->addWidget(m_SiteName[at], i + 1, 1);
        rows->addWidget(m_FileName[at], i + 1, 2);
        rows->addWidget(m_cmdDetail[at], i + 1, 3);
        rows->addWidget(m_cmdDelete[at], i + 1, 4);
        connect(m_valid[at], &QCheckBox::toggled, this, [this, i](bool on) { m_editor.setValid(i, on); });
        connect(m_SiteName[at], &QLineEdit::textEdited, this,
                [this, i](const QString& t) { m_editor.setSiteName(i, fromQt(t)); });
        connect(m_FileName[at], &QLineEdit::textEdited, this,
                [this, i](const QString& t) { m_editor.setFileName(i, fromQt(t)); });
        connect(m_cmdDetail[at], &QPushButton::clicked, this, [this, i] { m_editor.openDetail(i); });
        connect(m_cmdDelete[at], &QPushButton::clicked, this, [this, i] { m_editor.deleteRow(i); });
    }
    rows->setColumnStretch(1, 3);
    rows->setColumnStretch(2, 2);
    column->addLayout(rows);

    m_cmdBack = namedButton(QStringLiteral("cmdBack"), QStringLiteral("<"));
    m_cmdBack->setToolTip(QStringLiteral("前の10行"));
    m_cmdFwd = namedButton(QStringLiteral("cmdFwd"), QStringLiteral(">"));
    m_cmdFwd->setToolTip(QStringLiteral("次の10行（新しいサイトは最後のサイトの後の空いた行に）"));
    m_lblPage = new QLabel;
    m_lblPage->setObjectName(QStringLiteral("lblPage"));
    m_lblPage->setAlignment(Qt::AlignCenter);
    m_cmdImport = namedButton(QStringLiteral("cmdImport"), QStringLiteral("読み込み"));
    m_cmdImport->setToolTip(QStringLiteral("ほかの.iniファイルからサイトを加えます"));
    auto* cmdSaveAs = namedButton(QStringLiteral("cmdSaveAs"), QStringLiteral("名前を付けて保存"));
    cmdSaveAs->setToolTip(QStringLiteral("別の.iniファイルとして保存し、チェックした曜日に割り当てます"));
    auto* cmdClose = namedButton(QStringLiteral("cmdClose"), QStringLiteral("閉じる"));
    cmdClose->setToolTip(QStringLiteral("保存せずに閉じます"));
    auto* cmdOK = namedButton(QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdOK->setToolTip(QStringLiteral(".iniファイルと曜日の割り当てを保存して閉じます"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_cmdBack);
    bottom->addWidget(m_lblPage);
    bottom->addWidget(m_cmdFwd);
    bottom->addStretch();
    bottom->addWidget(m_cmdImport);
    bottom->addWidget(cmdSaveAs);
    bottom->addWidget(cmdClose);
    bottom->addWidget(cmdOK);
    column->addLayout(bottom);
    // Nothing here grows taller: the window keeps its height and widens its fields.
    column->setSizeConstraint(QLayout::SetMinAndMaxSize);
    bindDialogKeys(*this, cmdOK, cmdClose);

    connect(m_AutoStart, &QCheckBox::toggled, this, [this](bool on) { m_editor.settings.AutoStart = on; });
    connect(m_DataPath, &QLineEdit::textEdited, this,
            [this](const QString& t) { m_editor.settings.DataPath = fromQt(t); });
    connect(m_FitToScreen, &QCheckBox::toggled, this, [this](bool on) {
        m_editor.settings.FitToScreen = on;
        m_NrLtrLine->setEnabled(m_editor.NrLtrLineEnabled());
    });
    connect(m_NrLtrLine, &QLineEdit::textEdited, this,
            [this](const QString& t) { m_editor.settings.NrLtrLine = fromQt(t); });
    connect(m_chkDailySort, &QCheckBox::toggled, this, [this](bool on) { m_editor.settings.DailySort = on; });
    connect(m_chkContents, &QCheckBox::toggled, this, [this](bool on) { m_editor.settings.Contents = on; });
    connect(m_chkSeparateFiles, &QCheckBox::toggled, this,
            [this](bool on) { m_editor.settings.SeparateTopicFiles = on; });
    connect(m_chkEpub, &QCheckBox::toggled, this, [this](bool on) {
        m_editor.setEpub(on);
        m_chkVertical->setEnabled(m_editor.verticalEnabled());
        m_lblVertical->setEnabled(m_editor.verticalEnabled());
    });
    connect(m_chkVertical, &QCheckBox::toggled, this, [this](bool on) { m_editor.setVertical(on); });
    connect(m_chkOnlyNew, &QCheckBox::toggled, this, [this](bool on) { m_editor.setOnlyNew(on); });
    connect(m_chkChgIni, &QCheckBox::toggled, this, [this](bool on) {
        m_editor.days.chkChgIni = on;
        showDayBoxes();
    });
    for (std::size_t k = 0; k < 7; ++k) {
        connect(m_chkDay[k], &QCheckBox::toggled, this, [this, k](bool on) { m_editor.days.chkDay[k] = on; });
    }
    connect(cmdCheckAll, &QPushButton::clicked, this, [this] { m_editor.checkAll(); });
    connect(cmdUncheckAll, &QPushButton::clicked, this, [this] { m_editor.uncheckAll(); });
    connect(m_cmdBack, &QPushButton::clicked, this, [this] { m_editor.previousPage(); });
    connect(m_cmdFwd, &QPushButton::clicked, this, [this] { m_editor.nextPage(); });
    connect(m_cmdImport, &QPushButton::clicked, this, [this] {
        if (m_editor.importRequested) {
            m_editor.importRequested();
        }
    });
    connect(cmdSaveAs, &QPushButton::clicked, this, [this] { m_editor.saveAs(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { m_editor.close(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { m_editor.OK(); });
}

void ConfigWindow::showDayBoxes()
{
    // Hidden, not just disabled: with the always-use box checked every day uses this file.
    m_dayBoxes->setVisible(!m_editor.days.chkChgIni);
}

void ConfigWindow::refresh()
{
    setWindowTitle(toQt(m_editor.caption()));
    const run::RunSettings& s = m_editor.settings;
    setChecked(m_AutoStart, s.AutoStart);
    setText(m_DataPath, s.DataPath);
    setChecked(m_FitToScreen, s.FitToScreen);
    setText(m_NrLtrLine, s.NrLtrLine);
    m_NrLtrLine->setEnabled(m_editor.NrLtrLineEnabled());
    setChecked(m_chkDailySort, s.DailySort);
    setText(m_NrPage, s.NrPage);
    setChecked(m_chkContents, s.Contents);
    setChecked(m_chkSeparateFiles, s.SeparateTopicFiles);
    setChecked(m_chkEpub, m_editor.options.epub());
    // The box shows the option as the file holds it, also while the book is off and it is greyed.
    setChecked(m_chkVertical, m_editor.options.flag(run::SiteListOptions::kVertical));
    m_chkVertical->setEnabled(m_editor.verticalEnabled());
    m_lblVertical->setEnabled(m_editor.verticalEnabled());
    setChecked(m_chkOnlyNew, m_editor.options.onlyNew());
    setChecked(m_chkChgIni, m_editor.days.chkChgIni);
    for (std::size_t k = 0; k < 7; ++k) {
        setChecked(m_chkDay[k], m_editor.days.chkDay[k]);
    }
    showDayBoxes();
    for (std::size_t i = 0; i < m_valid.size(); ++i) {
        const edit::PageRow& row = m_editor.page()[i];
        setChecked(m_valid[i], row.valid);
        setText(m_SiteName[i], row.SiteName);
        setText(m_FileName[i], row.FileName);
        for (QWidget* control : {static_cast<QWidget*>(m_valid[i]), static_cast<QWidget*>(m_SiteName[i]),
                                 static_cast<QWidget*>(m_FileName[i]), static_cast<QWidget*>(m_cmdDetail[i]),
                                 static_cast<QWidget*>(m_cmdDelete[i])}) {
            control->setEnabled(row.present);
        }
    }
    m_cmdBack->setEnabled(m_editor.backEnabled());
    m_cmdFwd->setEnabled(m_editor.fwdEnabled());
    m_lblPage->setText(QStringLiteral("%1 / %2 ページ").arg(m_editor.pageNumber()).arg(m_editor.pageCount()));
    // Enabled once there is an import window to open.
    m_cmdImport->setEnabled(static_cast<bool>(m_editor.importRequested));
}

void ConfigWindow::closeEvent(QCloseEvent* event)
{
    // Unsaved changes are asked about as the close button does; the window closes when they may go.
    if (m_editor.isOpen() && !m_editor.closedByTitleBar()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace vz::ui
