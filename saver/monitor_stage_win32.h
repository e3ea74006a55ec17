// One monitor's part of the saver window: its picture surface and caption
// label, layers the window draws over its background, kept to the monitor.
// Positions come in twips from the monitor's top-left corner at the
// monitor's own DPI; the stage keeps them, so that a monitor that moves or
// changes its DPI keeps its picture where it belongs.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "common/gdi_win32.h"
#include "effects/pan_zoom.h"
#include "saver/saver_view.h"

namespace lumova::win32 {
class DibPicture;
}

namespace lumova::saver {

// Where a monitor is, in the saver window's client pixels.
struct StagePlace {
  RECT monitor{};
  HMONITOR handle = nullptr;
  double twipsPerPixel = 15;
};

// What a stage needs of the window it is part of.
class StageCanvas {
 public:
  virtual ~StageCanvas() = default;
  virtual HWND canvasWindow() const = 0;
  // Draws every layer inside `area` (client pixels) on `dc`.
  virtual void repaint(HDC dc, const RECT& area) = 0;
  // A stage moves with the display's frames from now on: panZoomStep is due
  // once a frame.
  virtual void wantFrames() = 0;
};

class MonitorStage final : public MonitorView {
 public:
  MonitorStage(StageCanvas& canvas, const StagePlace& place, COLORREF pictureBackColor);
  MonitorStage(const MonitorStage&) = delete;
  MonitorStage& operator=(const MonitorStage&) = delete;

  // The monitor moved or changed: the layers follow, at the same twips.
  void moveTo(const StagePlace& place);
  const StagePlace& place() const { return place_; }
  void setPictureBackColor(COLORREF colour) { pictureBackColor_ = colour; }
  // A monitor that came later takes the caption's font and colour.
  void copyCaptionStyle(const MonitorStage& from);

  // MonitorView
  double screenWidth() const override;
  double screenHeight() const override;
  double twipsPerPixelX() const override { return place_.twipsPerPixel; }
  double twipsPerPixelY() const override { return place_.twipsPerPixel; }
  void setCaptionFont(const CaptionFont& font) override;
  void setCaptionColor(std::uint32_t rgb) override;
  void setCaptionTop(double twips) override { captionTopTwips_ = twips; }
  void setCaptionVisible(bool visible) override;
  TwipSize setCaptionText(const std::string& text) override;
  double captionLineHeight() const override;
  void setCaptionGeometry(double left, double width, double height) override;
  void clearPictures() override;
  void setSourcePicture(PicturePtr picture) override;
  void setPictureVisible(bool visible) override;
  void setPictureRect(const TwipRect& r) override;
  void commitPicture() override;
  void setPanZoom(const effects::PanZoomPath& path, double displaySeconds) override;
  // The next step of a panning picture, `now` seconds on the monotonic clock.
  void panZoomStep(double now);

  // The layers inside `area`, over what `dc` holds there already.
  void paintLayers(HDC dc, const RECT& area);
  // Each layer alone: the picture where it stands now (when shown), the caption inside `area`.
  void paintPictureLayer(HDC dc);
  void paintCaptionLayer(HDC dc, const RECT& area);
  // Whether a layer shows inside `area`: what it shows otherwise is the
  // window's background alone.
  bool showsLayersIn(const RECT& area) const;

  // For the effects: the picture waiting to be revealed and where it goes.
  const win32::DibPicture* source() const;
  const RECT& pictureRect() const { return pictureRect_; }
  const RECT& captionRect() const { return captionRect_; }
  bool pictureShown() const { return pictureVisible_; }
  // Where a picture at `r` would stand, in client pixels.
  RECT placeOf(const TwipRect& r) const;
  // A crossfade has put the source on the screen at `r`: it is shown and
  // committed there, with nothing drawn.
  void adoptFaded(const TwipRect& r);

  // Input, as windows of their own would take it.
  bool pictureAt(POINT at) const { return pictureVisible_ && PtInRect(&pictureRect_, at); }
  bool captionAt(POINT at) const { return captionVisible_ && PtInRect(&captionRect_, at); }

 private:
  int toClientX(double twips) const;
  int toClientY(double twips) const;
  int toPixels(double twips) const;
  void placeLayers();
  void makeFont();
  HFONT font() const;
  // The picture layer alone, where it stands now, kept to the monitor.
  void paintPicture(HDC dc);

  StageCanvas& canvas_;
  StagePlace place_;
  COLORREF pictureBackColor_;
  PicturePtr source_;  // the loaded picture the effects copy from
  // The picture surface: where it is, whether it shows, and what: its own
  // colour (just shown, before the reveal) or the committed picture.
  TwipRect pictureTwips_;
  RECT pictureRect_{};
  bool pictureVisible_ = false;
  bool pictureFilled_ = false;
  PicturePtr committed_;
  win32::BitmapDc committedDc_;  // committed_'s bitmap, ready to draw from
  // Pan and zoom: the picture as loaded and its path, waiting for the commit
  // (pending) and moving (active); the frame the active one is drawn into
  // is the committed picture.
  struct Panning {
    std::shared_ptr<const win32::DibPicture> picture;
    effects::PanZoomPath path;
    double seconds = 0;
    std::shared_ptr<win32::DibPicture> frame;
    double start = 0;
  };
  std::optional<Panning> pendingPan_, activePan_;
  // The frame of the picture that panned before, for the next one: frames
  // take turns rather than being made anew at each change.
  std::shared_ptr<win32::DibPicture> spareFrame_;
  effects::PanZoomDrawer panDrawer_{effects::fastestPixelRows()};
  // The caption label.
  CaptionFont captionSpec_;
  bool hasFont_ = false;
  win32::UniqueFont captionFont_;
  COLORREF captionColor_ = 0;
  std::wstring captionText_;
  double captionTopTwips_ = 0;
  TwipRect captionTwips_;
  RECT captionRect_{};
  bool captionVisible_ = false;
};

}  // namespace lumova::saver
