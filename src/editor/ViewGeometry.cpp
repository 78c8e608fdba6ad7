#include "editor/ViewGeometry.h"

#include <cmath>

namespace tarvik {

ScrollTarget scrollTargetFor(int position, int step)
{
    if (step <= 0)
        return {0, 0};
    const double t = static_cast<double>(position) / step;
    const double whole = std::floor(t);
    int top = static_cast<int>(whole);
    if (t - whole >= whole + 1 - t)
        ++top;
    return {top, step * top};
}

} // namespace tarvik
