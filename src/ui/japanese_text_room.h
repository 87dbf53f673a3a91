#pragma once

class QWidget;

namespace vz::ui {

/// Gives every line edit of `window` room for Japanese text. Japanese comes from a fallback font
/// (Noto Sans CJK) whose ascent is larger than the primary font's, while a line edit sizes and
/// centres itself on the primary font alone, so ideographs would touch the top edge of the box.
void makeRoomForJapanese(QWidget& window);

} // namespace vz::ui
