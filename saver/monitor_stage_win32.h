// One monitor's part of the saver window: its picture surface and caption
// label, and over them the details line and the pause mark, layers the
// window draws over its background, kept to the monitor.
// Positions come in twips from the monitor's top-left corner at the
// monitor's own DPI; the stage keeps them, so that a monitor that moves or
// changes its DPI keeps its picture where it belongs.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/gdi_win32.h"
#include "effects/frame.h"
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
  virtual effects::Renderer& renderer() = 0;
  // Everything the window shows inside these rectangles (client pixels),
  // drawn now.
  virtual void redraw(const std::vector<RECT>& areas) = 0;
  // A stage moves with the display's frames from now on: panZoomStep is due
  // once a frame.
  virtual void wantFrames() = 0;
  // Seconds on the monotonic clock the window's effects are timed by.
  virtual double now() const = 0;
  // The pause marks go kPauseMarkSeconds from now: hidePauseMark is due then.
  virtual void pauseMarkShown() = 0;
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
  void setSourceSurround(PicturePtr surround) override;
  void setSourcePartner(PicturePtr picture, PicturePtr surround, const TwipRect& r) override;
  TwipSize setPartnerCaptionText(const std::string& text) override;
  void setPartnerCaptionGeometry(double left, double width, double height) override;
  void setPictureVisible(bool visible) override;
  void setPictureRect(const TwipRect& r) override;
  void commitPicture() override;
  void setPanZoom(const effects::PanZoomPath& path, double displaySeconds) override;
  void setPaused(bool paused) override;
  void setDetails(const std::string& text) override;
  void holdPanZoom() override;
  TwipSize clockSize(const std::string& text) override;
  void setClock(const std::string& text, const TwipRect& where) override;
  // The next step of a panning picture, `now` seconds on the monotonic clock.
  void panZoomStep(double now);
  void hidePauseMark();
  // A picture moves with the display's frames.
  bool pans() const { return activePan_ && !activePan_->still; }

  // The layers as they show now, bottom first.
  void describe(std::vector<effects::Layer>& out) const;
  // Those that lie over the picture and the caption (the details line, the
  // pause mark), last in describe(), and how many they are.
  void describeOver(std::vector<effects::Layer>& out) const;
  std::size_t layersOver() const;
  // The picture layer alone (when shown), and the caption alone (when it shows).
  std::optional<effects::PictureLayer> pictureLayer() const;
  std::optional<effects::CaptionLayer> captionLayer() const;
  // The clock, when it shows: over everything else on the monitor.
  std::optional<effects::ShadowedTextLayer> clockLayer() const;
  // The picture waiting to be revealed as a layer at `at`: a panning one as
  // its first frame. None without a source.
  std::optional<effects::PictureLayer> sourceLayer(const RECT& at) const;
  // The surrounds of the pictures shown (when shown), and the pictures: the
  // picture layer and its partner's.
  std::vector<effects::PictureLayer> surroundLayers() const;
  std::vector<effects::PictureLayer> pictureLayers() const;
  // What waits to be revealed: its surrounds, the source at `at` and its partner.
  std::vector<effects::PictureLayer> sourceLayers(const RECT& at) const;
  std::optional<effects::CaptionLayer> partnerCaptionLayer() const;
  const RECT& partnerCaptionRect() const { return partnerCaptionRect_; }
  // More than the picture's own rectangle shows (a surround, a partner):
  // what is shown now, and what waits.
  bool showsWhole() const { return pictureVisible_ && (committedSurroundId_ || committedPartner_); }
  bool sourceWhole() const { return sourceSurroundId_ || sourcePartner_; }

  // For the effects: the picture waiting to be revealed, its size as the
  // effect reveals it, and where it goes.
  const win32::DibPicture* source() const;
  effects::Rect revealSize() const;
  // Where the effects reveal: the whole monitor for a picture with a surround.
  RECT revealArea() const { return sourceWhole() ? place_.monitor : pictureRect_; }
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
  effects::TextFont textFont() const;
  // The picture where it stands now, kept to the monitor, drawn again.
  void redrawPicture();
  void commitSource();
  // Where the details band and the pause mark stand, in client pixels.
  RECT detailsRect() const;
  RECT pauseMarkRect() const;
  effects::TextFont detailsFont() const;
  effects::PictureLayer surroundOf(const PicturePtr& surround, const effects::PictureHandle& id,
                                   const RECT& area) const;
  // The halves of the monitor a pair stands in.
  RECT half(bool right) const;
  // A panning picture shown whole keeps to where it lies, over its surround.
  std::vector<effects::Rect> panClip(const effects::PanZoomPath& path, const effects::PanZoomPlace& place) const;

  StageCanvas& canvas_;
  StagePlace place_;
  COLORREF pictureBackColor_;
  PicturePtr source_;  // the loaded picture the effects reveal
  effects::PictureHandle sourceId_;
  // The surrounds, of the source and of the committed picture.
  PicturePtr sourceSurround_, committedSurround_;
  effects::PictureHandle sourceSurroundId_, committedSurroundId_;
  // The second picture of a pair, waiting and shown, with its surround.
  struct Partner {
    PicturePtr picture, surround;
    effects::PictureHandle id, surroundId;
    TwipRect twips;
  };
  std::optional<Partner> sourcePartner_, committedPartner_;
  RECT partnerRect_{};
  std::string partnerCaptionText_;
  TwipRect partnerCaptionTwips_;
  RECT partnerCaptionRect_{};
  // The picture surface: where it is, whether it shows, and what: its own
  // colour (just shown, before the reveal) or the committed picture.
  TwipRect pictureTwips_;
  RECT pictureRect_{};
  bool pictureVisible_ = false;
  bool pictureFilled_ = false;
  PicturePtr committed_;
  effects::PictureHandle committedId_;
  // Pan and zoom: the picture's path, waiting for the commit (pending) and
  // moving (active), and where the active one stands now.
  struct Panning {
    effects::PanZoomPath path;
    double seconds = 0;
    double start = 0;
    bool started = false;
    bool still = false;  // held, whole and centred
    effects::PanZoomPlace place;
  };
  std::optional<Panning> pendingPan_, activePan_;
  // The caption label.
  CaptionFont captionSpec_;
  bool hasFont_ = false;
  COLORREF captionColor_ = 0;
  std::string captionText_;
  double captionTopTwips_ = 0;
  TwipRect captionTwips_;
  RECT captionRect_{};
  bool captionVisible_ = false;
  // Paused: a pan holds where it stood at `pausedAt_`; the mark shows a while.
  bool paused_ = false;
  double pausedAt_ = 0;
  bool pauseMark_ = false;
  std::string details_;
  // The clock: its text and where it stands, its shadow around it.
  std::string clockText_;
  TwipRect clockTwips_;
  RECT clockRect_{};
  effects::TextFont clockFont() const;
  RECT clockArea() const;
};

}  // namespace lumova::saver
