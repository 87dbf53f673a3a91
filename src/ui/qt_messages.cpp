#include "qt_messages.h"

#include "ui/qt_text.h"
#include "version.h"

namespace vz::ui {

std::unique_ptr<QMessageBox> QtMessages::makeBox(Kind kind, const std::u16string& text, QWidget* parent)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton no = QMessageBox::Ok;
    switch (kind) {
    case Kind::Information:
        icon = QMessageBox::Information;
        break;
    case Kind::Alert:
        break;
    case Kind::OkCancel:
        icon = QMessageBox::Question;
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        no = QMessageBox::Cancel;
        break;
    case Kind::YesNo:
        buttons = QMessageBox::Yes | QMessageBox::No;
        no = QMessageBox::No;
        break;
    }
    auto box = std::make_unique<QMessageBox>(icon, QString::fromUtf8(kProgramName), toQt(text), buttons, parent);
    box->setDefaultButton(kind == Kind::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    // Closing the box with Escape or the window's close button is the negative answer.
    box->setEscapeButton(no);
    // Text from pages and files is shown as it stands, never read as markup.
    box->setTextFormat(Qt::PlainText);
    return box;
}

QMessageBox::StandardButton QtMessages::show(Kind kind, const std::u16string& text)
{
    const auto box = makeBox(kind, text, m_parent.data());
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

void QtMessages::information(const std::u16string& text)
{
    show(Kind::Information, text);
}

void QtMessages::alert(const std::u16string& text)
{
    show(Kind::Alert, text);
}

bool QtMessages::askOkCancel(const std::u16string& text)
{
    return show(Kind::OkCancel, text) == QMessageBox::Ok;
}

bool QtMessages::askYesNo(const std::u16string& text)
{
    return show(Kind::YesNo, text) == QMessageBox::Yes;
}

} // namespace vz::ui
