// The frames drawn with Direct3D 11: every picture is a texture uploaded
// once (with its mipmaps, so shrinking stays averaged), every layer a quad,
// the crossfade two looks mixed by a blend factor, text drawn once by GDI
// into a texture. Each frame is drawn whole: a frame describes everything
// on the screen, and the flip-model swap chain keeps nothing between frames.
#pragma once

#include <d3d11.h>
#include <dxgi1_2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/com_win32.h"
#include "common/gdi_win32.h"
#include "effects/frame.h"
#include "effects/text_pixels_win32.h"
#include "effects/transition_player_win32.h"

namespace lumova::effects {

// The system calls the card renderer makes; tests give their own to make
// device creation fail or a present report the device removed.
class D3d11Renderer;
struct CardCalls {
  // D3D11CreateDevice for a driver type (hardware or WARP).
  std::function<HRESULT(D3D_DRIVER_TYPE, ID3D11Device**, ID3D11DeviceContext**)> makeDevice;
  // Shows the frame drawn: the swap chain's Present unless a test gives its
  // own (which may read the frame, and report the device removed).
  std::function<HRESULT(D3d11Renderer&)> present;
};

// The system's D3D11CreateDevice for a driver type (feature level 10.0 or
// better, with BGRA surfaces).
HRESULT makeSystemDevice(D3D_DRIVER_TYPE driver, ID3D11Device** device, ID3D11DeviceContext** context);

// Textures a renderer holds, for benchmarks and tests.
struct CardStats {
  std::size_t pictureTextures = 0;  // pictures on the card
  std::size_t textTextures = 0;     // captions and clocks
  std::size_t lookTextures = 0;     // a crossfade's two looks
  std::uint64_t uploads = 0;        // pictures uploaded so far
  std::uint64_t devicesMade = 0;    // the first and each one made again
};

class D3d11Renderer final : public Renderer {
 public:
  // Null when no device of `driver` or no swap chain for `window` can be made.
  static std::unique_ptr<D3d11Renderer> create(HWND window, D3D_DRIVER_TYPE driver, CardCalls calls = {});
  ~D3d11Renderer() override;
  D3d11Renderer(const D3d11Renderer&) = delete;
  D3d11Renderer& operator=(const D3d11Renderer&) = delete;

  PictureId addPicture(PicturePtr picture) override;
  void releasePicture(PictureId id) override;
  void draw(const Frame& frame) override;
  void present() override;
  TextExtent measureText(const TextFont& font, const std::string& text) override;
  // WARP, or a device without a graphics driver, draws on the processor:
  // motion steps there as it does on GDI.
  bool drawsOnCard() const override { return !software_; }

  // The device was removed or reset (a driver update, a new adapter): until
  // remade, nothing reaches the screen.
  bool lost() const { return lost_; }
  // A new device and swap chain, every picture uploaded again as it is
  // next drawn; false when none can be made.
  bool remake();
  // The swap chain's frame-latency waitable object (null when the system
  // has none), duplicated: the caller closes it.
  HANDLE frameWaitable() const;
  D3D_DRIVER_TYPE driver() const { return driver_; }
  CardStats stats() const;
  // The frame drawn and not yet presented, rows top-down, 0xAARRGGBB;
  // empty when it cannot be read.
  std::vector<std::uint32_t> drawnPixels();
  // The swap chain's own present.
  HRESULT presentNow();

 private:
  struct Texture;
  struct Held;
  struct Quad;
  D3d11Renderer(HWND window, D3D_DRIVER_TYPE driver, CardCalls calls);
  bool makeDevice();
  bool makeSwapChain(IDXGIAdapter& adapter);
  bool makePipeline();
  bool fitBuffers();
  void check(HRESULT hr);
  // The picture's texture; with `upload`, uploaded now when it is not on
  // the card yet.
  Texture* texture(PictureId id, bool upload);
  void uploadOneWaiting();
  // Clears the target to the background and draws the layers over it.
  void drawLook(const Background& background, const std::vector<Layer>& layers);
  void drawLayers(const std::vector<Layer>& layers);
  void drawPicture(const PictureLayer& layer);
  void drawText(const Layer& layer);
  void drawQuads(const std::vector<Quad>& quads, ID3D11ShaderResourceView* view, ID3D11PixelShader* shader,
                 ID3D11BlendState* blend, const float* factor = nullptr);
  void drawFade(const Frame& frame);
  // A texture the size of the back buffer that a look is drawn into.
  bool lookTarget(std::unique_ptr<Texture>& look);

  HWND window_;
  D3D_DRIVER_TYPE driver_;
  CardCalls calls_;
  bool lost_ = false;
  bool software_ = false;  // drawn on the processor
  bool drawn_ = false;     // something since the last present
  int width_ = 0, height_ = 0;
  win32::ComPtr<ID3D11Device> device_;
  win32::ComPtr<ID3D11DeviceContext> context_;
  win32::ComPtr<IDXGISwapChain1> swapChain_;
  HANDLE waitable_ = nullptr;
  UINT swapFlags_ = 0;
  win32::ComPtr<ID3D11RenderTargetView> backBuffer_;
  win32::ComPtr<ID3D11VertexShader> vertexShader_;
  win32::ComPtr<ID3D11InputLayout> inputLayout_;
  win32::ComPtr<ID3D11PixelShader> pictureShader_, colourShader_, textShader_;
  win32::ComPtr<ID3D11SamplerState> sampler_;
  win32::ComPtr<ID3D11BlendState> opaque_, premultiplied_, mixed_;
  win32::ComPtr<ID3D11RasterizerState> rasterizer_;
  win32::ComPtr<ID3D11Buffer> vertices_;
  std::size_t vertexCapacity_ = 0;
  ID3D11RenderTargetView* drawingOn_ = nullptr;  // the back buffer or a look
  Rect drawingArea_;                             // what the target covers, in client pixels
  PictureId nextId_ = 1;
  std::map<PictureId, std::unique_ptr<Held>> pictures_;
  std::uint64_t uploads_ = 0, devicesMade_ = 0;
  FontCache fonts_;
  win32::BitmapDc measuring_;  // a DC for measuring text
  // Text as drawn once for a look, most recent last.
  std::vector<std::pair<Layer, std::unique_ptr<Texture>>> texts_;
  // A crossfade's looks, drawn once for as long as the frames describe them the same.
  std::unique_ptr<Texture> fadeFrom_, fadeTo_;
  Background fadeBackground_;
  std::vector<Layer> fadeFromLayers_, fadeToLayers_;
  bool fadeComposed_ = false;
};

// Draws on the card while it can: a lost device is made again, and when it
// cannot be, the show goes on with GDI from the next frame, every picture
// handed over again under the same ids.
class CardRenderer final : public Renderer {
 public:
  CardRenderer(HWND window, std::unique_ptr<D3d11Renderer> card);
  ~CardRenderer() override;

  PictureId addPicture(PicturePtr picture) override;
  void releasePicture(PictureId id) override;
  void draw(const Frame& frame) override;
  void present() override;
  TextExtent measureText(const TextFont& font, const std::string& text) override;
  bool drawsOnCard() const override;

  // The card's renderer, null once GDI draws.
  D3d11Renderer* card() const { return card_.get(); }

 private:
  Renderer& drawing();
  void fallBack();
  // The last frame again, whole: what the lost device never showed.
  void drawAgain();

  HWND window_;
  std::unique_ptr<D3d11Renderer> card_;
  std::unique_ptr<Renderer> gdi_;
  PictureId nextId_ = 1;
  struct Handed {
    PicturePtr picture;
    PictureId inner = kNoPicture;
  };
  std::map<PictureId, Handed> pictures_;
  Frame last_;
  bool haveLast_ = false;
};

// The window's renderer: with `useCard`, Direct3D 11 on the graphics card,
// else on the system's software rasteriser (WARP); GDI when neither can be
// made, or without `useCard`.
std::unique_ptr<Renderer> makeWindowRenderer(HWND window, bool useCard, CardCalls calls = {});

// Paces frames by the swap chain: waits for its frame-latency object (a
// display refresh at most), then for the clock's next frame, so that a
// system whose swap chain does not wait for the display still draws at its
// refresh rate.
class SwapChainPacer final : public DisplayPacer {
 public:
  explicit SwapChainPacer(HANDLE waitable);  // takes the handle; null: the clock alone
  ~SwapChainPacer() override;
  SwapChainPacer(const SwapChainPacer&) = delete;
  SwapChainPacer& operator=(const SwapChainPacer&) = delete;
  void refresh(HMONITOR monitor) override { clock_.refresh(monitor); }
  double refreshHz() const override { return clock_.refreshHz(); }
  void begin() override { clock_.begin(); }
  void waitForNextFrame() override;
  bool inputWaiting() override { return clock_.inputWaiting(); }

 private:
  HANDLE waitable_;
  DisplayFrameWaiter clock_;
};

// The pacer for a window drawn by `renderer`: the swap chain's when it is
// drawn on the card, the display's otherwise.
std::unique_ptr<DisplayPacer> framePacerFor(Renderer& renderer);

}  // namespace lumova::effects
