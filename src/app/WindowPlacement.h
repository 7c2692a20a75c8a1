// Where the import window opens.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace quorvel::app {

/// Centred on `screen`, but never left of or above its top-left corner. `outer` includes the
/// window frame.
inline QPoint centredPosition(const QRect& screen, const QSize& outer)
{
    return screen.topLeft() + QPoint(qMax(0, (screen.width() - outer.width()) / 2), qMax(0, (screen.height() - outer.height()) / 2));
}

} // namespace quorvel::app
