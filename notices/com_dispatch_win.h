#pragma once
// Late-bound COM: objects created from a ProgID and driven by member name through
// IDispatch, with owners for the interface pointers, variants and apartments.
#include <oaidl.h>
#include <objbase.h>
#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/unique_handle_win.h"

namespace qelvo {

template <typename Interface>
struct ComTraits {
  using Type = Interface*;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type p) noexcept { p->Release(); }
};
template <typename Interface>
using ComPtr = UniqueHandle<ComTraits<Interface>>;

// CoInitialize on entry and, when that succeeded (S_OK or S_FALSE), the matching
// CoUninitialize on every way out. Declare it before the objects it hosts so it
// is destroyed after them.
class ComApartment {
 public:
  ComApartment() noexcept : hr_(CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT hr_;
};

class Variant {
 public:
  Variant() noexcept { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }

  static Variant int32(LONG value);
  static Variant boolean(bool value);
  static Variant text(std::wstring_view value);  // a BSTR
  static Variant bytes(std::string_view value);   // a one-dimensional byte array

  VARIANT* get() noexcept { return &v_; }
  const VARIANT& operator*() const noexcept { return v_; }

 private:
  VARIANT v_;
};

// The first of the ProgIDs that can be instantiated, as IDispatch; empty if none.
ComPtr<IDispatch> createByProgId(std::initializer_list<const wchar_t*> progIds);

enum class DispatchKind : WORD { method = DISPATCH_METHOD, get = DISPATCH_PROPERTYGET, put = DISPATCH_PROPERTYPUT };

// Calls a member by name with the arguments in their written order. A failure
// (unknown name, failed call) leaves the result empty and is only reported by
// the returned HRESULT.
HRESULT callByName(IDispatch* object, const wchar_t* name, DispatchKind kind,
                   std::initializer_list<const Variant*> args, Variant* result = nullptr);

// The bytes of a byte-array variant, at most maxBytes of them; empty for
// anything else.
std::string bytesOf(const VARIANT& v, size_t maxBytes);

// The text of a BSTR variant; empty for anything else.
std::wstring textOf(const VARIANT& v);

}  // namespace qelvo
