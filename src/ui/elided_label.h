#pragma once

#include <QLabel>

namespace vz::ui {

/// A one-line label that never sets its window's width: a text longer than the room it is given
/// is cut with "…" and shows whole as the tool tip.
class ElidedLabel final : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    /// Whether the text is longer than the room it has.
    bool isCut() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vz::ui
