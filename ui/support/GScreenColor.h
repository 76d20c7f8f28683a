#pragma once
// GScreenColor: a screen colour as red, green and blue from 0 to 1.
struct GScreenColor {
    double red = 0;
    double green = 0;
    double blue = 0;
};
