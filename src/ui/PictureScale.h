// The scale of the main window's button pictures: each is drawn for 100, 125, 150 and 200 % of
// the normal screen scale (96 DPI), and the screen gets those drawn for its own scale.
#pragma once

// The ids of a picture's forms for 125, 150 and 200 % are its own id plus 1000, 2000 and 3000.
constexpr int kScaledPictureIdStep = 1000;

// The id of the form of picture id (its 100 % form) for a screen of dpi dots per inch: the
// form of the nearest scale, of the smaller one halfway between two.
int ScaledPictureId(int id, int dpi);
