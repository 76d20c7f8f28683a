#pragma once
// Reads the PDFs the stand-in writes with Debian's poppler tools (pdfinfo, pdffonts, pdftotext,
// pdftoppm), never with the stand-in's own code: page count, page boxes, fonts, text and pixels.
#include <stdio.h>

#include <array>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace poppler {

// The standard output of a shell command; paths given to it are the tests' own.
inline std::string Run(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return output;
    std::array<char, 4096> buffer;
    std::size_t read = 0;
    while ((read = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), read);
    pclose(pipe);
    return output;
}

inline std::string Quoted(const std::string& path) { return "'" + path + "'"; }

inline int PageCount(const std::string& pdf) {
    std::istringstream info(Run("pdfinfo " + Quoted(pdf)));
    std::string line;
    while (std::getline(info, line))
        if (line.rfind("Pages:", 0) == 0)
            return std::stoi(line.substr(6));
    return -1;
}

struct Box {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double Width() const { return x2 - x1; }
    double Height() const { return y2 - y1; }
};

// The boxes of page `page` (from 1) by name: "MediaBox", "CropBox", "BleedBox", "TrimBox", "ArtBox".
inline std::map<std::string, Box> Boxes(const std::string& pdf, int page) {
    const std::string number = std::to_string(page);
    std::istringstream info(Run("pdfinfo -box -f " + number + " -l " + number + " " + Quoted(pdf)));
    std::map<std::string, Box> boxes;
    std::string line;
    while (std::getline(info, line)) {
        const std::string::size_type colon = line.find("Box:");
        if (line.rfind("Page", 0) != 0 || colon == std::string::npos)
            continue;
        std::istringstream values(line.substr(colon + 4));
        Box box;
        values >> box.x1 >> box.y1 >> box.x2 >> box.y2;
        const std::string::size_type start = line.rfind(' ', colon);
        boxes[line.substr(start + 1, colon + 2 - start)] = box;
    }
    return boxes;
}

inline std::string Fonts(const std::string& pdf) { return Run("pdffonts " + Quoted(pdf)); }

inline std::string Text(const std::string& pdf, int page) {
    const std::string number = std::to_string(page);
    return Run("pdftotext -layout -f " + number + " -l " + number + " " + Quoted(pdf) + " -");
}

// A page rendered in grey at one pixel a point, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
    unsigned char At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    // Pixels darker than mid-grey in the rectangle (points from the top left, clipped).
    int DarkIn(int x0, int y0, int x1, int y1) const {
        int dark = 0;
        for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
                dark += At(x, y) < 128 ? 1 : 0;
        return dark;
    }
};

inline Picture Render(const std::string& pdf, int page, const std::string& folder) {
    const std::string number = std::to_string(page);
    const std::string out = folder + "/render-" + number;
    Run("pdftoppm -gray -r 72 -singlefile -f " + number + " -l " + number + " " + Quoted(pdf) + " " + Quoted(out));
    std::ifstream input(out + ".pgm", std::ios::binary);
    Picture picture;
    std::string magic;
    int maximum = 0;
    input >> magic >> picture.width >> picture.height >> maximum;
    input.get();
    if (magic != "P5" || picture.width <= 0 || picture.height <= 0)
        return Picture();
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    input.read(reinterpret_cast<char*>(picture.pixels.data()), static_cast<std::streamsize>(picture.pixels.size()));
    return picture;
}

}  // namespace poppler
