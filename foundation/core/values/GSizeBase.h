#pragma once
// GSizeBase: a size of two values of one number type, width then height. A plain value: no
// invariant is kept (a negative width is allowed), comparison is member by member.
template <class T>
class GSizeBase {
public:
    constexpr GSizeBase() noexcept : mWidth(), mHeight() {}
    constexpr GSizeBase(T width, T height) noexcept : mWidth(width), mHeight(height) {}

    constexpr T GetWidth() const noexcept { return mWidth; }
    constexpr T GetHeight() const noexcept { return mHeight; }
    void SetWidth(T width) noexcept { mWidth = width; }
    void SetHeight(T height) noexcept { mHeight = height; }

    constexpr bool operator==(GSizeBase const& other) const noexcept {
        return mWidth == other.mWidth && mHeight == other.mHeight;
    }
    constexpr bool operator!=(GSizeBase const& other) const noexcept { return !(*this == other); }

private:
    T mWidth;
    T mHeight;
};
