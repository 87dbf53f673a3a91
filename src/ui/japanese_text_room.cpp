#include "japanese_text_room.h"

#include <algorithm>

#include <QFontMetrics>
#include <QLineEdit>

namespace vz::ui {

void makeRoomForJapanese(QWidget& window)
{
    for (auto* box : window.findChildren<QLineEdit*>()) {
        const QFontMetrics metrics(box->font());
        // The bounds of a line of kana and kanji, as the fonts that draw them give it.
        const QRect line = metrics.boundingRect(QStringLiteral("漢字かなカナ"));
        const int above = std::max(0, -line.top() - metrics.ascent());
        const int below = std::max(0, line.bottom() + 1 - metrics.descent());
        const QMargins margins = box->textMargins();
        // The box's height hint counts these margins, so it grows by what the line needs.
        box->setTextMargins(margins.left(), above, margins.right(), below);
    }
}

} // namespace vz::ui
