#include "qt_messages.h"

#include "ui/qt_text.h"
#include "version.h"

namespace vz::ui {

void QtMessages::information(const std::u16string& text)
{
    show(QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtMessages::alert(const std::u16string& text)
{
    show(QMessageBox::NoIcon, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtMessages::askOkCancel(const std::u16string& text)
{
    return show(QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
}

bool QtMessages::askYesNo(const std::u16string& text)
{
    return show(QMessageBox::NoIcon, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

QMessageBox::StandardButton QtMessages::show(QMessageBox::Icon icon, const std::u16string& text,
                                             QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, QString::fromUtf8(kProgramName), toQt(text), buttons, m_parent.data());
    box.setDefaultButton(defaultButton);
    // Closing the box with the window's close button or Escape counts as the negative answer.
    box.setEscapeButton(buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
                        : buttons.testFlag(QMessageBox::No)   ? QMessageBox::No
                                                              : QMessageBox::Ok);
    // Text from pages and files is shown as it stands, never read as markup.
    box.setTextFormat(Qt::PlainText);
    const int answer = box.exec();
    return static_cast<QMessageBox::StandardButton>(answer);
}

} // namespace vz::ui
