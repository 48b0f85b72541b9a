#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Image.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/BarButtonItem.h"
#include "platform/ui/widgets/Button.h"
#include "platform/ui/widgets/Label.h"
#include "platform/ui/widgets/Slider.h"
#include "platform/ui/widgets/Toolbar.h"

#include <GLES/gl.h>
#include <benchmark/benchmark.h>

// What the widgets cost a frame: the main screen's chrome (three toolbars of sixteen tool
// buttons and the name label) composited at scale 2, and the text work behind labels.
namespace {

using namespace platform;

std::shared_ptr<BarButtonItem> tool(const std::string& name) {
    auto button = std::make_shared<Button>(Rect(0, 0, 40, 30));
    button->setImage(Image::named(name + "ItemImage.png"), Control::Normal);
    button->setImage(Image::named(name + "ItemPressed.png"), Control::Highlighted);
    button->setImage(Image::named(name + "ItemActive.png"), Control::Selected);
    return std::make_shared<BarButtonItem>(button);
}

std::shared_ptr<Window> chrome() {
    auto window = std::make_shared<Window>();
    const auto space = std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::FlexibleSpace);
    const auto bar = [&](float y, std::vector<std::shared_ptr<BarButtonItem>> items) {
        auto toolbar = std::make_shared<Toolbar>(Rect(0, y, 320, 47));
        toolbar->setTintColor({0.5f, 0.5f, 0.0f, 1.0f});
        toolbar->setItems(std::move(items), false);
        window->addSubview(toolbar);
        return toolbar;
    };
    auto top = bar(19, {tool("camera"), space, tool("pick")});
    auto name = std::make_shared<Label>(Rect(0, 10, 320, 30));
    name->setFont(Font::fontWithName("DejaVu Sans:bold", 20));
    name->setTextAlignment(Label::Center);
    name->setTextColor(Color::white());
    name->setText("Pixello");
    top->addSubview(name);
    bar(386, {tool("smudge"), tool("bump"), tool("pinch"), tool("free"), tool("crop")});
    bar(433, {tool("free"), tool("undo"), tool("redo"), space, tool("settings"), tool("save")});
    return window;
}

void BM_ComposeMainScreenChrome(benchmark::State& state) {
    RunLoop::main().reset(std::make_shared<VirtualClock>());
    if (GLContext::shared() == nullptr) {
        state.SkipWithError("no GL context");
        return;
    }
    const auto window = chrome();
    Compositor compositor(2);
    for (auto _ : state) {
        auto shot = compositor.snapshot(*window);
        benchmark::DoNotOptimize(shot);
    }
}
BENCHMARK(BM_ComposeMainScreenChrome)->Unit(benchmark::kMillisecond);

// The same screen with nothing but its bars' backgrounds: the difference is what the
// buttons and the label add.
void BM_ComposeEmptyBars(benchmark::State& state) {
    RunLoop::main().reset(std::make_shared<VirtualClock>());
    if (GLContext::shared() == nullptr) {
        state.SkipWithError("no GL context");
        return;
    }
    auto window = std::make_shared<Window>();
    for (float y : {19.0f, 386.0f, 433.0f}) {
        window->addSubview(std::make_shared<Toolbar>(Rect(0, y, 320, 47)));
    }
    Compositor compositor(2);
    for (auto _ : state) {
        auto shot = compositor.snapshot(*window);
        benchmark::DoNotOptimize(shot);
    }
}
BENCHMARK(BM_ComposeEmptyBars)->Unit(benchmark::kMillisecond);

void BM_RenderTitleText(benchmark::State& state) {
    const auto font = Font::fontWithName("DejaVu Sans:bold", 18);
    for (auto _ : state) {
        auto picture = font->render("Smudge Power", Color::white(), 2);
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_RenderTitleText);

void BM_ResolveFontName(benchmark::State& state) {
    for (auto _ : state) {
        auto font = Font::fontWithName("DejaVu Sans Bold", 18);
        benchmark::DoNotOptimize(font);
    }
}
BENCHMARK(BM_ResolveFontName);

} // namespace
