#pragma once

#include <vector>

// The declination of the Earth's magnetic field (the angle from true to
// magnetic north, east positive) after the World Magnetic Model 2025, a
// spherical-harmonic sum of degree 12 whose coefficients are built into
// the program. Outside the model's five years (2024.87 to 2029.87) its
// yearly change is carried on, which grows less exact with every year.
class MagneticModel
{
public:
    // The built-in model; loaded once, safe to share between threads.
    static const MagneticModel &Wmm2025();

    // Degrees east of true north, at a WGS84 latitude and longitude in
    // degrees, height above the ellipsoid in kilometres and a decimal year.
    double Declination(double latitude, double longitude, double year, double heightKm = 0) const;

    double Epoch() const { return m_epoch; }
    bool IsValid() const { return !m_g.empty(); }

private:
    MagneticModel() = default;
    int m_maxDegree = 0;
    double m_epoch = 0;
    // Indexed n * (n + 1) / 2 + m, as the model publishes them.
    std::vector<double> m_g, m_h, m_gRate, m_hRate;
};
