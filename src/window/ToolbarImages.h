#pragma once
#include <QIcon>
#include <QPixmap>

namespace eit::window {

// The toolbar's pictures by image index: 0 add files, 1 save project list,
// 2 remove entries, 3 process, 4 exit, 5 clear list.
enum class ToolbarImage { AddFiles = 0, SaveList = 1, Remove = 2, Process = 3, Exit = 4, ClearList = 5 };
inline constexpr int kToolbarImageCount = 6;
inline constexpr int kToolbarImageSize = 16;

// The coloured picture (the `Enabled` list) or its grey outline (the
// `Disabled` list), 16 x 16 on a transparent background; with `scale` 2 in
// 32 x 32 pixels for a display at twice the scale.
QPixmap ToolbarPixmap(ToolbarImage image, bool enabled, int scale = 1);
// Both forms in one icon, at both scales: the grey one shows while the button
// is disabled.
QIcon ToolbarIcon(ToolbarImage image);

}  // namespace eit::window
