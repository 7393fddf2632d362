#include "face.h"

namespace gaugix {

namespace {

// The face was drawn at 96 dots per inch; fonts are sized in pixels so that text keeps
// its place on the face whatever the screen's logical density.
QFont sansSerif(int points)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize((points * 96 + 36) / 72);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

FaceLabel whiteCaption(QRect bounds, const char* caption, int points)
{
    FaceLabel label;
    label.bounds = bounds;
    label.caption = QString::fromLatin1(caption);
    label.font = sansSerif(points);
    label.textColour = Qt::white;
    return label;
}

FaceLine whiteLine(float x1, float y1, float x2, float y2)
{
    return FaceLine{x1, y1, x2, y2, Qt::white};
}

} // namespace

Face storedFace()
{
    Face face;
    face.Label2 = whiteCaption(QRect(16, 0, 121, 17), "S-METER", 8);
    face.Label3[0] = whiteCaption(QRect(8, 24, 17, 17), "0", 8);
    face.Label3[1] = whiteCaption(QRect(136, 24, 17, 17), "5", 8);
    face.Label4 = whiteCaption(QRect(64, 48, 33, 33), "V", 12);

    // Scale ticks on the 225, 270 and 315 degree rays, beyond the needle's reach.
    face.Line1 = whiteLine(24, 40, 32, 48);
    face.Line2 = whiteLine(80, 30, 80, 18);
    face.Line3 = whiteLine(128, 48, 136, 40);

    face.display.bounds = QRect(48, 112, 65, 25);
    face.display.font = sansSerif(12);
    face.display.textColour = Qt::black;
    face.display.backColour = QColor(0, 255, 255);
    face.display.border = true;
    face.display.alignment = Qt::AlignCenter;

    face.lancetta = whiteLine(80, 40, 80, 96);
    return face;
}

} // namespace gaugix
