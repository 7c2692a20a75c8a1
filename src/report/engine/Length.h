// A length on paper. Report definitions give millimetres, the page description holds points;
// this type is the one place where one becomes the other.
#pragma once

#include <compare>

namespace quorvel::report {

/// Kept as the millimetres a definition wrote, so sums of lengths stay as exact as the file.
class Length
{
public:
    constexpr Length() = default;
    static constexpr Length fromMm(double mm) { return Length(mm); }
    static constexpr Length fromPt(double pt) { return Length(pt / kPtPerMm); }

    constexpr double mm() const { return m_mm; }
    /// Points, 1/72 inch.
    constexpr double pt() const { return m_mm * kPtPerMm; }

    constexpr Length operator-() const { return Length(-m_mm); }
    constexpr Length& operator+=(Length o) { m_mm += o.m_mm; return *this; }
    constexpr Length& operator-=(Length o) { m_mm -= o.m_mm; return *this; }
    friend constexpr Length operator+(Length a, Length b) { return a += b; }
    friend constexpr Length operator-(Length a, Length b) { return a -= b; }
    friend constexpr Length operator*(Length a, double k) { return Length(a.m_mm * k); }
    friend constexpr Length operator*(double k, Length a) { return Length(k * a.m_mm); }
    friend constexpr Length operator/(Length a, double k) { return Length(a.m_mm / k); }
    friend constexpr auto operator<=>(const Length&, const Length&) = default;

private:
    static constexpr double kPtPerMm = 72.0 / 25.4;
    constexpr explicit Length(double mm) : m_mm(mm) {}
    double m_mm = 0;
};

} // namespace quorvel::report
