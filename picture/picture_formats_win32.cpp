#include "picture/picture_formats_win32.h"

#include <windows.h>
#include <wincodec.h>

#include "common/com_win32.h"
#include "common/text_win32.h"

namespace lumova::win32 {

std::vector<std::string> decoderExtensionLists() {
  std::vector<std::string> lists;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.putVoid())))
    return lists;
  ComPtr<IEnumUnknown> components;
  if (FAILED(factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, components.put())))
    return lists;
  for (;;) {
    ComPtr<IUnknown> component;
    ULONG fetched = 0;
    if (components->Next(1, component.put(), &fetched) != S_OK || fetched != 1) break;
    ComPtr<IWICBitmapCodecInfo> info;
    if (FAILED(component->QueryInterface(IID_IWICBitmapCodecInfo, info.putVoid()))) continue;
    UINT length = 0;
    if (FAILED(info->GetFileExtensions(0, nullptr, &length)) || length == 0) continue;
    std::wstring text(length, L'\0');
    if (FAILED(info->GetFileExtensions(length, text.data(), &length))) continue;
    text.resize(wcsnlen(text.c_str(), text.size()));
    lists.push_back(fromWide(text));
  }
  return lists;
}

}  // namespace lumova::win32
