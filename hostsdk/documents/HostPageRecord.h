#pragma once
// One page of a sample document: a few lines of text from the top left and an optional
// rectangle, in points from the page's top left corner.
#include <string>
#include <vector>

struct HostPageRecord {
    std::vector<std::string> text;
    bool hasRectangle = false;
    double rectangle[4] = {0, 0, 0, 0};  // x, y, width, height
};
