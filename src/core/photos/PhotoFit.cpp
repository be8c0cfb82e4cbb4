#include "core/photos/PhotoFit.h"

#include <cmath>

int PhotoFit::RoundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double diff = value - floor;
    double r;
    if (diff < 0.5)
        r = floor;
    else if (diff > 0.5)
        r = floor + 1.0;
    else
        r = std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
    return static_cast<int>(r);
}

PhotoFit::Result PhotoFit::Compute(const Input &in)
{
    const int frameWidth = std::max(0, in.frame.width());
    const int frameHeight = std::max(0, in.frame.height());
    const int margin = in.buttonSize / 5;
    const int widthThreshold = 5 * in.buttonSize;
    const int heightThreshold = 4 * in.buttonSize;
    const int pw = in.picture.width();
    const int ph = in.picture.height();
    const int sw = in.area.width();
    const int sh = in.area.height();

    Result r;
    r.outer = in.outer;
    if (pw <= 0 || ph <= 0)
        return r;
    if (pw > sw || ph > sh) {
        r.scaled = true;
        if (pw - sw > ph - sh) {
            const int height = RoundHalfEven(static_cast<double>(ph) / pw * sw);
            r.control = QSize(sw, height);
            r.outer.setHeight(frameHeight + in.toolStripHeight + height + in.statusBarHeight + margin);
        } else {
            const int width = RoundHalfEven(static_cast<double>(pw) / ph * sh);
            r.control = QSize(width, sh);
            r.outer.setWidth(frameWidth + width + margin);
        }
        return r;
    }
    r.control = in.picture;
    if (pw > widthThreshold)
        r.outer.setWidth(frameWidth + pw + margin);
    if (ph > heightThreshold)
        r.outer.setHeight(frameHeight + in.toolStripHeight + ph + in.statusBarHeight + margin);
    return r;
}
