# Source lists of the rooms, one file a line.
set(PIXELLO_BASE_SOURCES
    src/platform/base/AffineTransform.cpp
    src/platform/base/Application.cpp
    src/platform/base/Assert.cpp
    src/platform/base/Bundle.cpp
    src/platform/base/Clock.cpp
    src/platform/base/Device.cpp
    src/platform/base/FileSystem.cpp
    src/platform/base/Localization.cpp
    src/platform/base/Log.cpp
    src/platform/base/NotificationCenter.cpp
    src/platform/base/Paths.cpp
    src/platform/base/RunLoop.cpp
)

set(PIXELLO_GRAPHICS_SOURCES
    src/platform/graphics/BitmapContext.cpp
    src/platform/graphics/Font.cpp
    src/platform/graphics/Image.cpp
    src/platform/graphics/JpegCodec.cpp
    src/platform/graphics/Outline.cpp
    src/platform/graphics/Painter.cpp
    src/platform/graphics/Picture.cpp
    src/platform/graphics/PictureCodec.cpp
    src/platform/graphics/PixelConversion.cpp
    src/platform/graphics/PngCodec.cpp
    src/platform/graphics/TrueTypeLibrary.cpp
)

set(PIXELLO_GL_SOURCES
    src/platform/gl/GLContext.cpp
    src/platform/gl/GLExtensions.cpp
    src/platform/gl/GLLayer.cpp
    src/platform/gl/GLResources.cpp
    src/platform/gl/HeadlessGLContext.cpp
)

set(PIXELLO_UI_SOURCES
    src/platform/ui/Animation.cpp
    src/platform/ui/Touch.cpp
    src/platform/ui/View.cpp
    src/platform/ui/ViewController.cpp
    src/platform/ui/Window.cpp
)

set(PIXELLO_WIDGETS_SOURCES
    src/platform/ui/widgets/ActivityIndicatorView.cpp
    src/platform/ui/widgets/AlertView.cpp
    src/platform/ui/widgets/BarAppearance.cpp
    src/platform/ui/widgets/BarButtonItem.cpp
    src/platform/ui/widgets/Button.cpp
    src/platform/ui/widgets/Control.cpp
    src/platform/ui/widgets/Label.cpp
    src/platform/ui/widgets/NavigationBar.cpp
    src/platform/ui/widgets/Slider.cpp
    src/platform/ui/widgets/Toolbar.cpp
)

set(PIXELLO_RENDER_SOURCES
    src/platform/render/Compositor.cpp
    src/platform/render/GLPainter.cpp
    src/platform/render/PictureTextureCache.cpp
    src/platform/render/ScreenDamage.cpp
)

# The media room's camera frame sources.
set(PIXELLO_CAMERA_SOURCES
    src/platform/media/FrameSource.cpp
    src/platform/media/PictureFrameSource.cpp
    src/platform/media/V4L2FrameSource.cpp
)

set(PIXELLO_HOST_SOURCES
    src/platform/host/HeadlessHost.cpp
    src/platform/host/Host.cpp
    src/platform/host/ScreenRotation.cpp
    src/platform/host/Script.cpp
    src/platform/host/StatusBar.cpp
)

set(PIXELLO_WINDOW_SOURCES
    src/platform/host/window/MouseFingers.cpp
    src/platform/host/window/SDLGLContext.cpp
    src/platform/host/window/StatusBarTexture.cpp
    src/platform/host/window/WindowFrame.cpp
    src/platform/host/window/WindowHost.cpp
    src/platform/host/window/WindowHostModule.cpp
)

set(PIXELLO_ZEVKOCORE_SOURCES
    src/ZevkoCore/ZVKApplicationKernel.cpp
    src/ZevkoCore/ZVKApplicationModel.cpp
    src/ZevkoCore/ZVKBase64.cpp
    src/ZevkoCore/ZVKCommons.cpp
    src/ZevkoCore/ZVKFileSystemUtils.cpp
    src/ZevkoCore/ZVKMD5.cpp
    src/ZevkoCore/ZVKNavigationController.cpp
    src/ZevkoCore/ZVKScrollView.cpp
    src/ZevkoCore/ZVKString.cpp
    src/ZevkoCore/ZVKViewController.cpp
)

set(PIXELLO_EDITOR_SOURCES
    src/Pixello/CropGeometry.cpp
    src/Pixello/CropOverlay.cpp
    src/Pixello/EffectGrid.cpp
    src/Pixello/EffectTriangle.cpp
    src/Pixello/GLView.cpp
    src/Pixello/GridVertices.cpp
    src/Pixello/MainScreenLayout.cpp
    src/Pixello/MainViewController.cpp
    src/Pixello/PixelloAppDelegate.cpp
    src/Pixello/PixelloHostDelegate.cpp
    src/Pixello/PixelloKernel+ImagePickingAndSaving.cpp
    src/Pixello/PixelloKernel+ImageProcessing.cpp
    src/Pixello/PixelloKernel.cpp
    src/Pixello/PixelloModel.cpp
    src/Pixello/SettingsViewController.cpp
    src/Pixello/SpriteTexture.cpp
)
