#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

namespace gaugix {

// A text element of the dial face. An invalid backColour means a transparent background.
struct FaceLabel {
    QRect bounds;
    QString caption;
    QFont font;
    QColor textColour;
    QColor backColour;
    bool border = false;
    Qt::Alignment alignment = Qt::AlignHCenter | Qt::AlignTop;
};

// A one-pixel line of the dial face. Coordinates are single precision, as the face stores them.
struct FaceLine {
    float X1 = 0;
    float Y1 = 0;
    float X2 = 0;
    float Y2 = 0;
    QColor colour;
};

// Every element of the face, named as in the control's stored description.
struct Face {
    FaceLabel Label4;
    FaceLabel Label3[2];
    FaceLine Line3;
    FaceLine Line2;
    FaceLine Line1;
    FaceLabel Label2;
    FaceLabel display;
    FaceLine lancetta;
};

inline constexpr int kFaceWidth = 162;
inline constexpr int kFaceHeight = 146;
inline constexpr QRgb kFaceBackground = 0x404040;

// The face as stored, before initialisation: needle straight up (the 2.5 V position), readout empty.
Face storedFace();

} // namespace gaugix
