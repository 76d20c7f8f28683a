#pragma once
// GRectBase: a rectangle of four coordinates of one number type, kept in the order left, top,
// right, bottom. A plain value: the coordinates are not reordered, so an empty or inverted
// rectangle keeps what it was given; Get(i) reads them by their stored position (0 to 3).
template <class T>
class GRectBase {
public:
    constexpr GRectBase() noexcept : mCoords{} {}
    constexpr GRectBase(T left, T top, T right, T bottom) noexcept : mCoords{left, top, right, bottom} {}

    constexpr T GetLeft() const noexcept { return mCoords[0]; }
    constexpr T GetTop() const noexcept { return mCoords[1]; }
    constexpr T GetRight() const noexcept { return mCoords[2]; }
    constexpr T GetBottom() const noexcept { return mCoords[3]; }
    constexpr T GetWidth() const noexcept { return mCoords[2] - mCoords[0]; }
    constexpr T GetHeight() const noexcept { return mCoords[3] - mCoords[1]; }
    // Positions outside 0 to 3 are clamped to the nearest.
    constexpr T Get(int index) const noexcept { return mCoords[index < 0 ? 0 : index > 3 ? 3 : index]; }

    constexpr bool operator==(GRectBase const& other) const noexcept {
        return mCoords[0] == other.mCoords[0] && mCoords[1] == other.mCoords[1] && mCoords[2] == other.mCoords[2] &&
               mCoords[3] == other.mCoords[3];
    }
    constexpr bool operator!=(GRectBase const& other) const noexcept { return !(*this == other); }

private:
    T mCoords[4];
};
