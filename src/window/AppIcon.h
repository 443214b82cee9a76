#pragma once
#include <QIcon>
#include <QImage>

namespace eit::window {

// The program's icon: a red package whose item leaves as a white page along
// one arrow and comes back along another, on a blue tile.
QImage AppIconImage(int size);
// The icon at the sizes a desktop shows it.
QIcon AppIcon();

}  // namespace eit::window
