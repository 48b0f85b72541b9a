#include "Pixello/CropGeometry.h"

#include <algorithm>
#include <cmath>

namespace CropGeometry {

platform::Rect initialCropRect(platform::Size size) {
    const float third = std::min(size.width, size.height) / 3.0f;
    const float m = third < 15.0f ? third : 15.0f;
    return {m, m, size.width - 2.0f * m, size.height - 2.0f * m};
}

bool isOnCropEdge(platform::Point point, platform::Rect crop, float zoom) {
    const double band = kEdgeBand / static_cast<double>(zoom);
    const float x = point.x;
    const float y = point.y;
    const float X = crop.origin.x;
    const float Y = crop.origin.y;
    const float W = crop.size.width;
    const float H = crop.size.height;
    const auto near = [band](float d) { return static_cast<double>(std::fabs(d)) <= band; };
    const bool inRows = Y <= y && y <= Y + H;
    const bool inColumns = X <= x && x <= X + W;
    return (near(x - X) && inRows) || (near(x - (X + W)) && inRows) || (near(y - Y) && inColumns) ||
           (near(y - (Y + H)) && inColumns);
}

platform::Rect dragCropRect(platform::Rect crop, platform::Point from, platform::Point to,
                            platform::Size imageSize, float zoom) {
    const double band = kEdgeBand / static_cast<double>(zoom);
    const auto near = [band](float d) { return static_cast<double>(std::fabs(d)) <= band; };
    const float IW = imageSize.width;
    const float IH = imageSize.height;
    const float minW = IW / 3.0f <= 15.0f ? IW / 3.0f : 15.0f;
    const float minH = IH / 3.0f <= 15.0f ? IH / 3.0f : 15.0f;
    const float fx = from.x;
    const float fy = from.y;
    float X = crop.origin.x;
    float Y = crop.origin.y;
    float W = crop.size.width;
    float H = crop.size.height;

    // Each step sees the rectangle as the steps before it left it; the lower clamp comes
    // first, so the upper one wins when they cross.
    if (near(fx - X) && Y <= fy && fy <= Y + H) {
        float nx = (X + to.x) - fx;
        if (nx < 0.0f) {
            nx = 0.0f;
        }
        if (nx > (X + W) - minW) {
            nx = (X + W) - minW;
        }
        W = W + (X - nx);
        X = nx;
    }
    if (near(fx - (X + W)) && Y <= fy && fy <= Y + H) {
        float nw = (W + to.x) - fx;
        if (minW > nw) {
            nw = minW;
        }
        if (nw > IW - X) {
            nw = IW - X;
        }
        W = nw;
    }
    if (near(fy - Y) && X <= fx && fx <= X + W) {
        float ny = (Y + to.y) - fy;
        if (ny < 0.0f) {
            ny = 0.0f;
        }
        if (ny > (Y + H) - minH) {
            ny = (Y + H) - minH;
        }
        H = H + (Y - ny);
        Y = ny;
    }
    if (near(fy - (Y + H)) && X <= fx && fx <= X + W) {
        float nh = (H + to.y) - fy;
        if (minH > nh) {
            nh = minH;
        }
        if (nh > IH - Y) {
            nh = IH - Y;
        }
        H = nh;
    }
    return {X, Y, W, H};
}

} // namespace CropGeometry
