#include "effects/d3d11_renderer_win32.h"

#include <d3dcompiler.h>
#include <dxgi1_3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <utility>

#include "effects/gdi_renderer_win32.h"
#include "picture/wic_loader_win32.h"

namespace lumova::effects {
namespace {

constexpr std::size_t kTextsKept = 16;  // captions of every monitor, a clock each
constexpr UINT kSwapBuffers = 2;
constexpr UINT kMicrosoftVendor = 0x1414;  // WARP and the Basic Render Driver

// One quad's corners: client pixels turned into the target's clip space,
// the texture's coordinates and a colour (a fill's, or a picture's outside
// its edges).
struct Vertex {
  float x, y;
  float u, v;
  float r, g, b, a;
};

// A picture's pixels, and its fill where the sampling reaches past its
// edges; a plain colour; a texture as it is (text with its alpha, a look).
// Each shader ends in its one return: Wine's shader compiler mishandles an
// early one, and constant buffers, so everything a quad needs comes with
// its corners.
constexpr char kShaders[] = R"(
struct Corner { float2 pos : POSITION; float2 uv : TEXCOORD0; float4 colour : COLOR0; };
struct Pixel { float4 pos : SV_Position; float2 uv : TEXCOORD0; float4 colour : COLOR0; };
Texture2D shown : register(t0);
SamplerState smooth : register(s0);
Pixel place(Corner c) {
  Pixel p;
  p.pos = float4(c.pos, 0, 1);
  p.uv = c.uv;
  p.colour = c.colour;
  return p;
}
float4 picture(Pixel p) : SV_Target {
  float4 texel = shown.Sample(smooth, p.uv);
  float2 beyond = abs(clamp(p.uv, 0, 1) - p.uv);
  float inside = 1 - saturate((beyond.x + beyond.y) * 1e20);
  return float4(lerp(p.colour.rgb, texel.rgb, inside), 1);
}
float4 colour(Pixel p) : SV_Target { return p.colour; }
float4 asIs(Pixel p) : SV_Target { return shown.Sample(smooth, p.uv); }
)";

bool removed(HRESULT hr) { return hr == DXGI_ERROR_DEVICE_REMOVED || hr == DXGI_ERROR_DEVICE_RESET; }

// The compiler, from the system's own library (loaded once, kept).
pD3DCompile shaderCompiler() {
  static const pD3DCompile compile = [] {
    HMODULE library = LoadLibraryW(L"d3dcompiler_47.dll");
    return library ? reinterpret_cast<pD3DCompile>(reinterpret_cast<void*>(GetProcAddress(library, "D3DCompile")))
                   : nullptr;
  }();
  return compile;
}

win32::ComPtr<ID3DBlob> compiled(const char* entry, const char* profile) {
  win32::ComPtr<ID3DBlob> code, errors;
  const pD3DCompile compile = shaderCompiler();
  if (!compile || FAILED(compile(kShaders, sizeof kShaders - 1, "lumova", nullptr, nullptr, entry, profile,
                                 D3DCOMPILE_OPTIMIZATION_LEVEL3, 0, code.put(), errors.put())))
    code.reset();
  return code;
}

// A BGRA texture the shaders read, one level, bound also as `bind`.
D3D11_TEXTURE2D_DESC textureOf(int width, int height, UINT bind) {
  D3D11_TEXTURE2D_DESC desc{};
  desc.Width = static_cast<UINT>(width);
  desc.Height = static_cast<UINT>(height);
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  desc.SampleDesc.Count = 1;
  desc.Usage = D3D11_USAGE_DEFAULT;
  desc.BindFlags = D3D11_BIND_SHADER_RESOURCE | bind;
  return desc;
}

void setColour(Vertex& v, std::uint32_t rgb) {
  v.r = static_cast<float>(rgb & 0xFF) / 255.0f;
  v.g = static_cast<float>((rgb >> 8) & 0xFF) / 255.0f;
  v.b = static_cast<float>((rgb >> 16) & 0xFF) / 255.0f;
  v.a = 1.0f;
}

}  // namespace

HRESULT makeSystemDevice(D3D_DRIVER_TYPE driver, ID3D11Device** device, ID3D11DeviceContext** context) {
  static const auto create = [] {
    HMODULE library = LoadLibraryW(L"d3d11.dll");
    return library ? reinterpret_cast<PFN_D3D11_CREATE_DEVICE>(
                         reinterpret_cast<void*>(GetProcAddress(library, "D3D11CreateDevice")))
                   : nullptr;
  }();
  if (!create) return E_NOINTERFACE;
  const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1, D3D_FEATURE_LEVEL_10_0};
  return create(nullptr, driver, nullptr, D3D11_CREATE_DEVICE_BGRA_SUPPORT, levels, 3, D3D11_SDK_VERSION, device,
                nullptr, context);
}

// A texture on the card, with the view the shaders read it through.
struct D3d11Renderer::Texture {
  win32::ComPtr<ID3D11Texture2D> texture;
  win32::ComPtr<ID3D11ShaderResourceView> view;
  win32::ComPtr<ID3D11RenderTargetView> target;  // a look's
  int width = 0, height = 0;
  Rect place;  // text's: where its pixels stand
};

// A picture handed over: its pixels stay here until it is released, so that
// a device made again can take it too.
struct D3d11Renderer::Held {
  std::shared_ptr<const win32::DibPicture> picture;
  std::unique_ptr<Texture> texture;  // null until uploaded
};

// A screen rectangle showing a texture's area (texture coordinates), or a colour.
struct D3d11Renderer::Quad {
  Rect at;
  float u0 = 0, v0 = 0, u1 = 0, v1 = 0;
  std::uint32_t colour = 0;
};

std::unique_ptr<D3d11Renderer> D3d11Renderer::create(HWND window, D3D_DRIVER_TYPE driver, CardCalls calls) {
  std::unique_ptr<D3d11Renderer> renderer(new D3d11Renderer(window, driver, std::move(calls)));
  if (!renderer->makeDevice()) return nullptr;
  return renderer;
}

D3d11Renderer::D3d11Renderer(HWND window, D3D_DRIVER_TYPE driver, CardCalls calls)
    : window_(window), driver_(driver), calls_(std::move(calls)) {
  if (!calls_.makeDevice) calls_.makeDevice = makeSystemDevice;
}

D3d11Renderer::~D3d11Renderer() {
  if (context_) context_->ClearState();
  if (waitable_) CloseHandle(waitable_);
}

bool D3d11Renderer::makeDevice() {
  if (FAILED(calls_.makeDevice(driver_, device_.put(), context_.put())) || !device_ || !context_) return false;
  win32::ComPtr<IDXGIDevice> dxgiDevice;
  win32::ComPtr<IDXGIAdapter> adapter;
  if (FAILED(device_->QueryInterface(__uuidof(IDXGIDevice), dxgiDevice.putVoid())) ||
      FAILED(dxgiDevice->GetAdapter(adapter.put())) || !makePipeline() || !makeSwapChain(*adapter.get()))
    return false;
  // A "hardware" device may still draw on the processor: the system's own
  // renderer when no graphics driver is installed (Microsoft's vendor id).
  win32::ComPtr<IDXGIAdapter1> adapter1;
  DXGI_ADAPTER_DESC1 desc{};
  software_ = driver_ != D3D_DRIVER_TYPE_HARDWARE;
  if (SUCCEEDED(adapter->QueryInterface(__uuidof(IDXGIAdapter1), adapter1.putVoid())) &&
      SUCCEEDED(adapter1->GetDesc1(&desc)))
    software_ = software_ || (desc.Flags & DXGI_ADAPTER_FLAG_SOFTWARE) != 0 || desc.VendorId == kMicrosoftVendor;
  ++devicesMade_;
  lost_ = false;
  return true;
}

bool D3d11Renderer::remake() {
  // Everything of the old device goes first: a window takes one flip-model
  // swap chain at a time.
  for (auto& [id, held] : pictures_) held->texture.reset();
  texts_.clear();
  fadeFrom_.reset();
  fadeTo_.reset();
  fadeComposed_ = false;
  backBuffer_.reset();
  if (waitable_) CloseHandle(std::exchange(waitable_, nullptr));
  swapChain_.reset();
  vertices_.reset();
  vertexCapacity_ = 0;
  for (auto* s : {&pictureShader_, &colourShader_, &textShader_}) s->reset();
  vertexShader_.reset();
  inputLayout_.reset();
  sampler_.reset();
  opaque_.reset();
  premultiplied_.reset();
  mixed_.reset();
  rasterizer_.reset();
  if (context_) {
    context_->ClearState();
    context_->Flush();
  }
  context_.reset();
  device_.reset();
  width_ = height_ = 0;
  return makeDevice();
}

bool D3d11Renderer::makePipeline() {
  const win32::ComPtr<ID3DBlob> vs = compiled("place", "vs_4_0");
  const win32::ComPtr<ID3DBlob> ps[] = {compiled("picture", "ps_4_0"), compiled("colour", "ps_4_0"),
                                        compiled("asIs", "ps_4_0")};
  if (!vs || !ps[0] || !ps[1] || !ps[2]) return false;
  if (FAILED(device_->CreateVertexShader(vs->GetBufferPointer(), vs->GetBufferSize(), nullptr, vertexShader_.put())))
    return false;
  win32::ComPtr<ID3D11PixelShader>* shaders[] = {&pictureShader_, &colourShader_, &textShader_};
  for (int i = 0; i < 3; ++i)
    if (FAILED(
            device_->CreatePixelShader(ps[i]->GetBufferPointer(), ps[i]->GetBufferSize(), nullptr, shaders[i]->put())))
      return false;
  const D3D11_INPUT_ELEMENT_DESC layout[] = {
      {"POSITION", 0, DXGI_FORMAT_R32G32_FLOAT, 0, offsetof(Vertex, x), D3D11_INPUT_PER_VERTEX_DATA, 0},
      {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, offsetof(Vertex, u), D3D11_INPUT_PER_VERTEX_DATA, 0},
      {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, offsetof(Vertex, r), D3D11_INPUT_PER_VERTEX_DATA, 0}};
  if (FAILED(device_->CreateInputLayout(layout, 3, vs->GetBufferPointer(), vs->GetBufferSize(), inputLayout_.put())))
    return false;

  // Trilinear: a picture shown smaller is averaged from its mipmaps.
  D3D11_SAMPLER_DESC sampler{};
  sampler.Filter = D3D11_FILTER_MIN_MAG_MIP_LINEAR;
  sampler.AddressU = sampler.AddressV = sampler.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
  sampler.MaxLOD = D3D11_FLOAT32_MAX;
  sampler.ComparisonFunc = D3D11_COMPARISON_NEVER;
  if (FAILED(device_->CreateSamplerState(&sampler, sampler_.put()))) return false;

  D3D11_BLEND_DESC blend{};
  blend.RenderTarget[0].RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
  if (FAILED(device_->CreateBlendState(&blend, opaque_.put()))) return false;
  auto& over = blend.RenderTarget[0];
  over.BlendEnable = TRUE;
  over.BlendOp = over.BlendOpAlpha = D3D11_BLEND_OP_ADD;
  over.SrcBlend = over.SrcBlendAlpha = D3D11_BLEND_ONE;
  over.DestBlend = over.DestBlendAlpha = D3D11_BLEND_INV_SRC_ALPHA;
  if (FAILED(device_->CreateBlendState(&blend, premultiplied_.put()))) return false;
  over.SrcBlend = over.SrcBlendAlpha = D3D11_BLEND_BLEND_FACTOR;
  over.DestBlend = over.DestBlendAlpha = D3D11_BLEND_INV_BLEND_FACTOR;
  if (FAILED(device_->CreateBlendState(&blend, mixed_.put()))) return false;

  D3D11_RASTERIZER_DESC raster{};
  raster.FillMode = D3D11_FILL_SOLID;
  raster.CullMode = D3D11_CULL_NONE;
  raster.DepthClipEnable = TRUE;
  return SUCCEEDED(device_->CreateRasterizerState(&raster, rasterizer_.put()));
}

bool D3d11Renderer::makeSwapChain(IDXGIAdapter& adapter) {
  win32::ComPtr<IDXGIFactory2> factory;
  if (FAILED(adapter.GetParent(__uuidof(IDXGIFactory2), factory.putVoid()))) return false;
  RECT client{};
  GetClientRect(window_, &client);
  DXGI_SWAP_CHAIN_DESC1 desc{};
  desc.Width = static_cast<UINT>(std::max<LONG>(client.right, 1));
  desc.Height = static_cast<UINT>(std::max<LONG>(client.bottom, 1));
  desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  desc.SampleDesc.Count = 1;
  desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  desc.Scaling = DXGI_SCALING_NONE;
  // The newest model the system has: flip-discard (Windows 10), flip
  // sequential (8), both with the frame-latency object, then the blit model.
  const struct {
    DXGI_SWAP_EFFECT effect;
    UINT flags;
    UINT buffers;
  } tries[] = {{DXGI_SWAP_EFFECT_FLIP_DISCARD, DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT, kSwapBuffers},
               {DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL, DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT, kSwapBuffers},
               {DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL, 0, kSwapBuffers},
               {DXGI_SWAP_EFFECT_DISCARD, 0, 1}};
  for (const auto& t : tries) {
    desc.SwapEffect = t.effect;
    desc.Flags = t.flags;
    desc.BufferCount = t.buffers;
    desc.Scaling = t.effect == DXGI_SWAP_EFFECT_DISCARD ? DXGI_SCALING_STRETCH : DXGI_SCALING_NONE;
    if (SUCCEEDED(factory->CreateSwapChainForHwnd(device_.get(), window_, &desc, nullptr, nullptr, swapChain_.put())))
      break;
  }
  if (!swapChain_) return false;
  swapFlags_ = desc.Flags;
  // Alt+Enter is the saver's input, not a mode change.
  factory->MakeWindowAssociation(window_, DXGI_MWA_NO_ALT_ENTER | DXGI_MWA_NO_WINDOW_CHANGES);
  win32::ComPtr<IDXGISwapChain2> latency;
  if (swapFlags_ & DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT &&
      SUCCEEDED(swapChain_->QueryInterface(__uuidof(IDXGISwapChain2), latency.putVoid()))) {
    latency->SetMaximumFrameLatency(1);
    waitable_ = latency->GetFrameLatencyWaitableObject();
  }
  return fitBuffers();
}

bool D3d11Renderer::fitBuffers() {
  RECT client{};
  GetClientRect(window_, &client);
  const int w = std::max<int>(client.right, 1), h = std::max<int>(client.bottom, 1);
  if (backBuffer_ && w == width_ && h == height_) return true;
  backBuffer_.reset();
  fadeFrom_.reset();
  fadeTo_.reset();
  fadeComposed_ = false;
  context_->OMSetRenderTargets(0, nullptr, nullptr);
  if (width_ != 0) {
    const HRESULT hr =
        swapChain_->ResizeBuffers(0, static_cast<UINT>(w), static_cast<UINT>(h), DXGI_FORMAT_UNKNOWN, swapFlags_);
    check(hr);
    if (FAILED(hr)) return false;
  }
  win32::ComPtr<ID3D11Texture2D> buffer;
  if (FAILED(swapChain_->GetBuffer(0, __uuidof(ID3D11Texture2D), buffer.putVoid())) ||
      FAILED(device_->CreateRenderTargetView(buffer.get(), nullptr, backBuffer_.put())))
    return false;
  width_ = w;
  height_ = h;
  return true;
}

void D3d11Renderer::check(HRESULT hr) {
  if (removed(hr)) lost_ = true;
}

HANDLE D3d11Renderer::frameWaitable() const {
  HANDLE copy = nullptr;
  if (waitable_) DuplicateHandle(GetCurrentProcess(), waitable_, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
  return copy;
}

CardStats D3d11Renderer::stats() const {
  CardStats s;
  for (const auto& [id, held] : pictures_) s.pictureTextures += held->texture ? 1 : 0;
  s.textTextures = texts_.size();
  s.lookTextures = (fadeFrom_ ? 1 : 0) + (fadeTo_ ? 1 : 0);
  s.uploads = uploads_;
  s.devicesMade = devicesMade_;
  return s;
}

PictureId D3d11Renderer::addPicture(PicturePtr picture) {
  auto dib = std::dynamic_pointer_cast<const win32::DibPicture>(std::move(picture));
  if (!dib) return kNoPicture;
  const PictureId id = nextId_++;
  auto held = std::make_unique<Held>();
  held->picture = std::move(dib);
  pictures_.emplace(id, std::move(held));
  return id;
}

void D3d11Renderer::releasePicture(PictureId id) { pictures_.erase(id); }

D3d11Renderer::Texture* D3d11Renderer::texture(PictureId id, bool upload) {
  const auto it = pictures_.find(id);
  if (it == pictures_.end()) return nullptr;
  Held& held = *it->second;
  if (held.texture || !upload || lost_) return held.texture.get();
  const win32::DibPicture& p = *held.picture;
  auto t = std::make_unique<Texture>();
  // Every mipmap level, made on the card from the picture once it is there.
  D3D11_TEXTURE2D_DESC desc = textureOf(p.width(), p.height(), D3D11_BIND_RENDER_TARGET);
  desc.MipLevels = 0;
  desc.MiscFlags = D3D11_RESOURCE_MISC_GENERATE_MIPS;
  HRESULT hr = device_->CreateTexture2D(&desc, nullptr, t->texture.put());
  if (SUCCEEDED(hr)) hr = device_->CreateShaderResourceView(t->texture.get(), nullptr, t->view.put());
  check(hr);
  if (FAILED(hr)) return nullptr;
  context_->UpdateSubresource(t->texture.get(), 0, nullptr, p.bits(), static_cast<UINT>(p.stride()), 0);
  context_->GenerateMips(t->view.get());
  t->width = p.width();
  t->height = p.height();
  held.texture = std::move(t);
  ++uploads_;
  return held.texture.get();
}

void D3d11Renderer::uploadOneWaiting() {
  // Pictures that show in a frame are uploaded as it is drawn; besides
  // them, one picture a frame goes to the card ahead of its first showing.
  for (auto& [id, held] : pictures_)
    if (!held->texture) {
      texture(id, true);
      return;
    }
}

void D3d11Renderer::drawQuads(const std::vector<Quad>& quads, ID3D11ShaderResourceView* view, ID3D11PixelShader* shader,
                              ID3D11BlendState* blend, const float* factor) {
  if (quads.empty() || lost_) return;
  const std::size_t needed = quads.size() * 6;
  if (needed > vertexCapacity_) {
    vertices_.reset();
    const std::size_t capacity = std::max<std::size_t>(needed, 600);
    D3D11_BUFFER_DESC desc{};
    desc.ByteWidth = static_cast<UINT>(capacity * sizeof(Vertex));
    desc.Usage = D3D11_USAGE_DYNAMIC;
    desc.BindFlags = D3D11_BIND_VERTEX_BUFFER;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_WRITE;
    const HRESULT hr = device_->CreateBuffer(&desc, nullptr, vertices_.put());
    check(hr);
    if (FAILED(hr)) return;
    vertexCapacity_ = capacity;
  }
  D3D11_MAPPED_SUBRESOURCE mapped{};
  const HRESULT hr = context_->Map(vertices_.get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped);
  check(hr);
  if (FAILED(hr)) return;
  auto* out = static_cast<Vertex*>(mapped.pData);
  const auto x = [&](int px) { return 2.0f * static_cast<float>(px - drawingArea_.left) / drawingArea_.width() - 1; };
  const auto y = [&](int py) { return 1 - 2.0f * static_cast<float>(py - drawingArea_.top) / drawingArea_.height(); };
  for (const Quad& q : quads) {
    Vertex corners[4] = {{x(q.at.left), y(q.at.top), q.u0, q.v0, 0, 0, 0, 0},
                         {x(q.at.right), y(q.at.top), q.u1, q.v0, 0, 0, 0, 0},
                         {x(q.at.left), y(q.at.bottom), q.u0, q.v1, 0, 0, 0, 0},
                         {x(q.at.right), y(q.at.bottom), q.u1, q.v1, 0, 0, 0, 0}};
    for (Vertex& c : corners) setColour(c, q.colour);
    for (int i : {0, 1, 2, 2, 1, 3}) *out++ = corners[i];
  }
  context_->Unmap(vertices_.get(), 0);
  const UINT stride = sizeof(Vertex), offset = 0;
  ID3D11Buffer* buffer = vertices_.get();
  context_->IASetVertexBuffers(0, 1, &buffer, &stride, &offset);
  context_->PSSetShader(shader, nullptr, 0);
  ID3D11ShaderResourceView* views[] = {view};
  context_->PSSetShaderResources(0, 1, views);
  const float none[4] = {1, 1, 1, 1};
  context_->OMSetBlendState(blend, factor ? factor : none, 0xFFFFFFFF);
  context_->Draw(static_cast<UINT>(needed), 0);
}

void D3d11Renderer::drawPicture(const PictureLayer& layer) {
  const std::vector<Rect> parts = shownParts(layer, drawingArea_);
  if (parts.empty()) return;
  std::vector<Quad> quads;
  if (layer.picture == kNoPicture) {
    for (const Rect& r : parts) quads.push_back({r, 0, 0, 0, 0, layer.fill});
    drawQuads(quads, nullptr, colourShader_.get(), opaque_.get());
    return;
  }
  Texture* t = texture(layer.picture, true);
  if (!t) return;
  // The rectangle shows the source area (or the picture one for one from
  // its corner); each part shows its share of it.
  const SourceArea area = layer.source ? *layer.source
                                       : SourceArea{0, 0, static_cast<double>(layer.rect.width()),
                                                    static_cast<double>(layer.rect.height())};
  const double perPixelX = area.width / std::max(layer.rect.width(), 1);
  const double perPixelY = area.height / std::max(layer.rect.height(), 1);
  const auto u = [&](int px) { return static_cast<float>((area.x + (px - layer.rect.left) * perPixelX) / t->width); };
  const auto v = [&](int py) { return static_cast<float>((area.y + (py - layer.rect.top) * perPixelY) / t->height); };
  for (const Rect& r : parts) quads.push_back({r, u(r.left), v(r.top), u(r.right), v(r.bottom), layer.fill});
  drawQuads(quads, t->view.get(), pictureShader_.get(), opaque_.get());
}

void D3d11Renderer::drawText(const Layer& layer) {
  // The text laid out at its place; the same look elsewhere is another texture.
  auto made = std::find_if(texts_.begin(), texts_.end(), [&](const auto& e) { return e.first == layer; });
  if (made == texts_.end()) {
    std::optional<TextPixels> pixels;
    if (const auto* caption = std::get_if<CaptionLayer>(&layer)) {
      if (caption->text.empty()) return;
      pixels = captionPixels(fonts_, *caption);
    } else if (const auto* clock = std::get_if<ShadowedTextLayer>(&layer)) {
      if (clock->text.empty()) return;
      pixels = shadowedTextPixels(fonts_, *clock);
    }
    if (!pixels) return;
    auto t = std::make_unique<Texture>();
    D3D11_TEXTURE2D_DESC desc = textureOf(pixels->pixels->width(), pixels->pixels->height(), 0);
    desc.Usage = D3D11_USAGE_IMMUTABLE;
    const D3D11_SUBRESOURCE_DATA data{pixels->pixels->row(0), desc.Width * 4, 0};
    HRESULT hr = device_->CreateTexture2D(&desc, &data, t->texture.put());
    if (SUCCEEDED(hr)) hr = device_->CreateShaderResourceView(t->texture.get(), nullptr, t->view.put());
    check(hr);
    if (FAILED(hr)) return;
    t->width = pixels->pixels->width();
    t->height = pixels->pixels->height();
    t->place = pixels->place;
    if (texts_.size() >= kTextsKept) texts_.erase(texts_.begin());
    texts_.emplace_back(layer, std::move(t));
    made = texts_.end() - 1;
  }
  Texture& t = *made->second;
  const Rect& place = t.place;
  const Rect shown = intersection(intersection(place, boundsOf(layer)), drawingArea_);
  if (shown.empty()) return;
  const auto u = [&](int px) { return static_cast<float>(px - place.left) / t.width; };
  const auto v = [&](int py) { return static_cast<float>(py - place.top) / t.height; };
  drawQuads({{shown, u(shown.left), v(shown.top), u(shown.right), v(shown.bottom), 0}}, t.view.get(), textShader_.get(),
            premultiplied_.get());
}

void D3d11Renderer::drawLayers(const std::vector<Layer>& layers) {
  for (const Layer& l : layers) {
    if (const auto* p = std::get_if<PictureLayer>(&l))
      drawPicture(*p);
    else
      drawText(l);
  }
}

void D3d11Renderer::drawLook(const Background& background, const std::vector<Layer>& layers) {
  const float clear[4] = {static_cast<float>(background.colour & 0xFF) / 255.0f,
                          static_cast<float>((background.colour >> 8) & 0xFF) / 255.0f,
                          static_cast<float>((background.colour >> 16) & 0xFF) / 255.0f, 1.0f};
  context_->ClearRenderTargetView(drawingOn_, clear);
  if (Texture* desktop = texture(background.picture, true)) {
    const Rect place{background.x, background.y, background.x + desktop->width, background.y + desktop->height};
    if (const Rect shown = intersection(place, drawingArea_); !shown.empty()) {
      const auto u = [&](int px) { return static_cast<float>(px - place.left) / desktop->width; };
      const auto v = [&](int py) { return static_cast<float>(py - place.top) / desktop->height; };
      drawQuads({{shown, u(shown.left), v(shown.top), u(shown.right), v(shown.bottom), background.colour}},
                desktop->view.get(), pictureShader_.get(), opaque_.get());
    }
  }
  drawLayers(layers);
}

bool D3d11Renderer::lookTarget(std::unique_ptr<Texture>& look) {
  if (look && look->width == width_ && look->height == height_) return true;
  look = std::make_unique<Texture>();
  const D3D11_TEXTURE2D_DESC desc = textureOf(width_, height_, D3D11_BIND_RENDER_TARGET);
  HRESULT hr = device_->CreateTexture2D(&desc, nullptr, look->texture.put());
  if (SUCCEEDED(hr)) hr = device_->CreateShaderResourceView(look->texture.get(), nullptr, look->view.put());
  if (SUCCEEDED(hr)) hr = device_->CreateRenderTargetView(look->texture.get(), nullptr, look->target.put());
  check(hr);
  look->width = width_;
  look->height = height_;
  if (FAILED(hr)) look.reset();
  return look != nullptr;
}

void D3d11Renderer::drawFade(const Frame& frame) {
  // Each look is drawn once into a texture of its own for as long as the
  // frames describe it the same; a frame mixes the two.
  if (!lookTarget(fadeFrom_) || !lookTarget(fadeTo_)) {
    drawLook(frame.background, frame.layers);  // no room for the mix: the new look at once
    drawLayers(frame.over);
    return;
  }
  if (!fadeComposed_ || fadeBackground_ != frame.background || fadeFromLayers_ != frame.fadingFrom ||
      fadeToLayers_ != frame.layers) {
    ID3D11RenderTargetView* screen = drawingOn_;
    for (auto* look : {&fadeFrom_, &fadeTo_}) {
      drawingOn_ = (*look)->target.get();
      ID3D11ShaderResourceView* none[] = {nullptr};
      context_->PSSetShaderResources(0, 1, none);
      context_->OMSetRenderTargets(1, &drawingOn_, nullptr);
      drawLook(frame.background, look == &fadeFrom_ ? frame.fadingFrom : frame.layers);
    }
    drawingOn_ = screen;
    context_->OMSetRenderTargets(1, &drawingOn_, nullptr);
    fadeComposed_ = true;
    fadeBackground_ = frame.background;
    fadeFromLayers_ = frame.fadingFrom;
    fadeToLayers_ = frame.layers;
  }
  const Quad whole{drawingArea_, 0, 0, 1, 1, 0};
  drawQuads({whole}, fadeFrom_->view.get(), textShader_.get(), opaque_.get());
  const float w = static_cast<float>(std::clamp(frame.weight, 0, kWeightOne)) / kWeightOne;
  const float factor[4] = {w, w, w, w};
  drawQuads({whole}, fadeTo_->view.get(), textShader_.get(), mixed_.get(), factor);
  drawLayers(frame.over);
}

void D3d11Renderer::draw(const Frame& frame) {
  if (lost_ || !fitBuffers()) return;
  drawingOn_ = backBuffer_.get();
  drawingArea_ = {0, 0, width_, height_};
  context_->OMSetRenderTargets(1, &drawingOn_, nullptr);
  D3D11_VIEWPORT viewport{0, 0, static_cast<float>(width_), static_cast<float>(height_), 0, 1};
  context_->RSSetViewports(1, &viewport);
  context_->RSSetState(rasterizer_.get());
  context_->IASetInputLayout(inputLayout_.get());
  context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  context_->VSSetShader(vertexShader_.get(), nullptr, 0);
  ID3D11SamplerState* samplers[] = {sampler_.get()};
  context_->PSSetSamplers(0, 1, samplers);
  // Every frame whole: a flip-model swap chain keeps nothing of the last.
  if (frame.weight < kWeightOne) {
    drawFade(frame);
  } else {
    fadeComposed_ = false;
    drawLook(frame.background, frame.layers);
    drawLayers(frame.over);
  }
  uploadOneWaiting();
  drawn_ = true;
}

void D3d11Renderer::present() {
  if (!drawn_ || lost_) return;
  drawn_ = false;
  check(calls_.present ? calls_.present(*this) : presentNow());
}

HRESULT D3d11Renderer::presentNow() { return swapChain_->Present(1, 0); }

std::vector<std::uint32_t> D3d11Renderer::drawnPixels() {
  win32::ComPtr<ID3D11Texture2D> buffer, staging;
  if (lost_ || FAILED(swapChain_->GetBuffer(0, __uuidof(ID3D11Texture2D), buffer.putVoid()))) return {};
  D3D11_TEXTURE2D_DESC desc{};
  buffer->GetDesc(&desc);
  desc.Usage = D3D11_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  if (FAILED(device_->CreateTexture2D(&desc, nullptr, staging.put()))) return {};
  context_->CopyResource(staging.get(), buffer.get());
  D3D11_MAPPED_SUBRESOURCE mapped{};
  if (FAILED(context_->Map(staging.get(), 0, D3D11_MAP_READ, 0, &mapped))) return {};
  std::vector<std::uint32_t> pixels(std::size_t(desc.Width) * desc.Height);
  for (UINT y = 0; y < desc.Height; ++y)
    std::memcpy(&pixels[std::size_t(y) * desc.Width],
                static_cast<const std::uint8_t*>(mapped.pData) + y * mapped.RowPitch, desc.Width * 4);
  context_->Unmap(staging.get(), 0);
  return pixels;
}

TextExtent D3d11Renderer::measureText(const TextFont& font, const std::string& text) {
  win32::SelectIn selected(measuring_.dc(), fonts_.get(font));
  return effects::measureText(measuring_.dc(), text);
}

// The card renderer's pictures, under its own ids, whichever renderer draws.
CardRenderer::CardRenderer(HWND window, std::unique_ptr<D3d11Renderer> card)
    : window_(window), card_(std::move(card)) {}

CardRenderer::~CardRenderer() {
  for (auto& [id, handed] : pictures_) drawing().releasePicture(handed.inner);
}

Renderer& CardRenderer::drawing() { return card_ ? static_cast<Renderer&>(*card_) : *gdi_; }

PictureId CardRenderer::addPicture(PicturePtr picture) {
  const PictureId inner = drawing().addPicture(picture);
  if (inner == kNoPicture) return kNoPicture;
  const PictureId id = nextId_++;
  pictures_.emplace(id, Handed{std::move(picture), inner});
  return id;
}

void CardRenderer::releasePicture(PictureId id) {
  const auto it = pictures_.find(id);
  if (it == pictures_.end()) return;
  drawing().releasePicture(it->second.inner);
  pictures_.erase(it);
}

void CardRenderer::draw(const Frame& frame) {
  last_ = frame;
  haveLast_ = true;
  // The frame in the drawing renderer's ids.
  Frame inner = frame;
  const auto innerId = [&](PictureId id) {
    const auto it = pictures_.find(id);
    return it == pictures_.end() ? kNoPicture : it->second.inner;
  };
  inner.background.picture = innerId(frame.background.picture);
  for (auto* layers : {&inner.layers, &inner.fadingFrom, &inner.over})
    for (Layer& l : *layers)
      if (auto* p = std::get_if<PictureLayer>(&l); p && p->picture != kNoPicture) {
        const PictureId id = innerId(p->picture);
        // A picture not known shows nothing, as on GDI, rather than its fill.
        if (id == kNoPicture) p->clip = {Rect{}};
        p->picture = id;
      }
  drawing().draw(inner);
}

void CardRenderer::present() {
  drawing().present();
  if (!card_ || !card_->lost()) return;
  // The device went (a driver update, a new adapter): a new one, or GDI.
  if (!card_->remake()) fallBack();
  drawAgain();
}

void CardRenderer::fallBack() {
  card_.reset();
  gdi_ = std::make_unique<GdiRenderer>(window_);
  for (auto& [id, handed] : pictures_) handed.inner = gdi_->addPicture(handed.picture);
}

void CardRenderer::drawAgain() {
  if (!haveLast_) return;
  RECT client{};
  GetClientRect(window_, &client);
  Frame again = last_;
  again.damage = {Rect{0, 0, client.right, client.bottom}};
  draw(again);
  drawing().present();
}

TextExtent CardRenderer::measureText(const TextFont& font, const std::string& text) {
  return drawing().measureText(font, text);
}

bool CardRenderer::drawsOnCard() const { return card_ && card_->drawsOnCard(); }

std::unique_ptr<Renderer> makeWindowRenderer(HWND window, bool useCard, CardCalls calls) {
  if (useCard)
    for (const D3D_DRIVER_TYPE driver : {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP})
      if (auto card = D3d11Renderer::create(window, driver, calls))
        return std::make_unique<CardRenderer>(window, std::move(card));
  return std::make_unique<GdiRenderer>(window);
}

SwapChainPacer::SwapChainPacer(HANDLE waitable)
    : waitable_(waitable), clock_(CompositionCalls{[] { return false; }, [] { return false; }}) {}

SwapChainPacer::~SwapChainPacer() {
  if (waitable_) CloseHandle(waitable_);
}

void SwapChainPacer::waitForNextFrame() {
  if (waitable_) {
    // A swap chain that waits for the display paces the frames itself; one
    // that does not (a system without vertical blanks) leaves it to the clock.
    const double period = 1.0 / std::max(refreshHz(), 1.0);
    LARGE_INTEGER f{}, before{}, after{};
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&before);
    WaitForSingleObjectEx(waitable_, static_cast<DWORD>(std::ceil(period * 1000)) + 1, FALSE);
    QueryPerformanceCounter(&after);
    const double waited = static_cast<double>(after.QuadPart - before.QuadPart) / static_cast<double>(f.QuadPart);
    if (waited >= period / 4) {
      clock_.begin();
      return;
    }
  }
  clock_.waitForNextFrame();
}

std::unique_ptr<DisplayPacer> framePacerFor(Renderer& renderer) {
  if (auto* card = dynamic_cast<CardRenderer*>(&renderer); card && card->card())
    return std::make_unique<SwapChainPacer>(card->card()->frameWaitable());
  return std::make_unique<DisplayFrameWaiter>();
}

}  // namespace lumova::effects
