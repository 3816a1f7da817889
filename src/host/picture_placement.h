#pragma once
// Where the machine's picture goes in a window or screen of any size: as large as it
// fits with its shape kept, centred, the rest black (letterboxed). With integer scaling
// it grows in whole steps of the ST's own lines and low-resolution pixels (400 x 300),
// so that every line covers the same number of rows.
struct PictureRect {
    int x, y, width, height;
};

PictureRect placePicture(int outputWidth, int outputHeight, bool integerSteps);
