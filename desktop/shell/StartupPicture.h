// The pictures the screen window shows while no device picture does: the idle picture
// (the program's picture with the hint on how to connect, or the notice that the device is
// awaited again) and the one-line progress texts of the start-up stages.
// Threads: the user-interface thread (uses fonts and the icon renderer).
#pragma once

#include <QImage>
#include <QString>

namespace mirrodex {

// Fills `surface` (keeping its size) with the idle picture and `text` below the picture.
void DrawIdlePicture(QImage& surface, const QString& text);
// The progress text of start-up stage 1..5; empty for every other stage.
QString StageText(int stage);

}  // namespace mirrodex
