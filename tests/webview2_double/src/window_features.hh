// The window features of a new-window request: what window.open's feature text asks for, and
// ICoreWebView2WindowFeatures, which hands it to the program.
//
// HasPosition is TRUE when left or top is given, HasSize when width or height is; a width or
// height below 100 is raised to 100. The four ShouldDisplay* values are all FALSE for a
// popup-style request (a position or size given) and all TRUE otherwise, as WebView2 reports
// them since runtime 98, whatever the text says about menu bars and the like.

#ifndef WV2D_WINDOW_FEATURES_HH
#define WV2D_WINDOW_FEATURES_HH

#include "com_object.hh"

#include "webview2_double.h"

#include <string_view>

namespace wv2d {

struct WindowFeatureValues {
  bool has_position = false;
  bool has_size = false;
  UINT32 left = 0;
  UINT32 top = 0;
  UINT32 width = 0;
  UINT32 height = 0;

  bool popup() const { return has_position || has_size; }
};

// Reads "left=10,top=20,width=400,height=300": entries separated by commas or white space, names
// in any case, values of decimal digits (an entry whose value is not one is left out).
WindowFeatureValues parse_window_features(std::wstring_view text);

class WindowFeatures final : public ComObject<ICoreWebView2WindowFeatures> {
public:
  explicit WindowFeatures(const WindowFeatureValues &values) : values_(values) {}

  HRESULT STDMETHODCALLTYPE get_HasPosition(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE get_HasSize(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE get_Left(UINT32 *value) override;
  HRESULT STDMETHODCALLTYPE get_Top(UINT32 *value) override;
  HRESULT STDMETHODCALLTYPE get_Height(UINT32 *value) override;
  HRESULT STDMETHODCALLTYPE get_Width(UINT32 *value) override;
  HRESULT STDMETHODCALLTYPE get_ShouldDisplayMenuBar(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE get_ShouldDisplayStatus(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE get_ShouldDisplayToolbar(BOOL *value) override;
  HRESULT STDMETHODCALLTYPE get_ShouldDisplayScrollBars(BOOL *value) override;

private:
  BOOL displays_bars() const { return values_.popup() ? FALSE : TRUE; }

  const WindowFeatureValues values_;
};

} // namespace wv2d

#endif // WV2D_WINDOW_FEATURES_HH
