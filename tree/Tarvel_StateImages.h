// The ten 16 x 16 state images of the tree window, one per TNodeKind in
// ordinal order. They are drawn rather than loaded, so the program carries
// no image files.
#pragma once

#include <QImage>
#include <QPixmap>

#include <cstdint>

#include "tree/Tarvel_Consts.h"

inline constexpr int kStateImageCount = static_cast<int>(TNodeKindNames.size());
inline constexpr int kStateImageSize = 16;

// The picture at `index`, drawn afresh; a null image outside 0..9.
QImage DrawStateImage(int index);

// The image an item with this state index shows, drawn once and kept. Null
// for 0 (DontKnow: no image) and for indexes out of range. Needs a
// QGuiApplication.
const QPixmap& StateImage(std::uint8_t index);
