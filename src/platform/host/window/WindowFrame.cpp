#include "platform/host/window/WindowFrame.h"

#include "platform/host/ScreenRotation.h"
#include "platform/host/window/StatusBarTexture.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Window.h"

#include <GLES/gl.h>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform {

namespace {

constexpr float kFingerRadius = 16.0f; // points

void drawDisc(Point centre, float radius) {
    constexpr int kSegments = 32;
    GLfloat vertices[(kSegments + 2) * 2];
    vertices[0] = centre.x;
    vertices[1] = centre.y;
    for (int i = 0; i <= kSegments; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / kSegments;
        vertices[2 + i * 2] = centre.x + radius * static_cast<float>(std::cos(angle));
        vertices[3 + i * 2] = centre.y + radius * static_cast<float>(std::sin(angle));
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glDrawArrays(GL_TRIANGLE_FAN, 0, kSegments + 2);
}

} // namespace

std::vector<Rect> WindowFrame::draw() const {
    const Size turned = ScreenRotation::turnedSize(orientation);
    // GL counts the box's rows from the bottom.
    glViewport(box.x, drawableHeight - box.y - box.height, box.width, box.height);
    glDisable(GL_SCISSOR_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0.0f, turned.width, turned.height, 0.0f, -1.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    const auto toWindow = [this](Point screen) {
        return ScreenRotation::screenToTurned(screen, orientation);
    };
    if (!screenInWindow) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        screen->drawScreen({toWindow({0.0f, 0.0f}), toWindow({Screen::kWidth, 0.0f}),
                            toWindow({0.0f, Screen::kHeight}),
                            toWindow({Screen::kWidth, Screen::kHeight})},
                           smooth);
    }
    // What is drawn over the screen in the window itself is drawn again from the views
    // before the next frame's bar and fingers go over it.
    std::vector<Rect> drawnOver;
    const auto drawOver = [this, &drawnOver](Point a, Point b) {
        if (screenInWindow) {
            drawnOver.emplace_back(std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x),
                                   std::fabs(b.y - a.y));
        }
    };

    if (const auto barCorners = bar->draw(orientation)) {
        drawOver((*barCorners)[0], (*barCorners)[3]);
    }

    if (!fingers.empty()) {
        // Where the fingers would touch, or touch now, as translucent circles.
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(0.45f, 0.45f, 0.45f, 0.45f);
        for (const Point& finger : fingers) {
            drawDisc(toWindow(finger), kFingerRadius);
            const float r = kFingerRadius + 1.0f;
            drawOver({finger.x - r, finger.y - r}, {finger.x + r, finger.y + r});
        }
        glDisable(GL_BLEND);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    return drawnOver;
}

} // namespace platform
