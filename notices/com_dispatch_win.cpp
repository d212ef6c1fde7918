#include "notices/com_dispatch_win.h"

#include <oleauto.h>

#include <cstring>
#include <vector>

namespace qelvo {

Variant Variant::int32(LONG value) {
  Variant v;
  v.v_.vt = VT_I4;
  v.v_.lVal = value;
  return v;
}

Variant Variant::boolean(bool value) {
  Variant v;
  v.v_.vt = VT_BOOL;
  v.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::text(std::wstring_view value) {
  Variant v;
  v.v_.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  if (v.v_.bstrVal) v.v_.vt = VT_BSTR;
  return v;
}

Variant Variant::bytes(std::string_view value) {
  Variant v;
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(value.size()));
  if (!array) return v;
  void* data = nullptr;
  if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
    if (!value.empty()) std::memcpy(data, value.data(), value.size());
    SafeArrayUnaccessData(array);
  }
  v.v_.vt = VT_ARRAY | VT_UI1;
  v.v_.parray = array;
  return v;
}

ComPtr<IDispatch> createByProgId(std::initializer_list<const wchar_t*> progIds) {
  for (const wchar_t* progId : progIds) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId, &clsid))) continue;
    IDispatch* object = nullptr;
    if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                   IID_IDispatch, reinterpret_cast<void**>(&object))) &&
        object)
      return ComPtr<IDispatch>(object);
  }
  return {};
}

HRESULT callByName(IDispatch* object, const wchar_t* name, DispatchKind kind,
                   std::initializer_list<const Variant*> args, Variant* result) {
  if (!object) return E_POINTER;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  // IDispatch takes the arguments last to first; the copies are shallow, the
  // caller's variants keep owning their contents.
  std::vector<VARIANT> reversed;
  reversed.reserve(args.size());
  for (auto it = std::rbegin(args); it != std::rend(args); ++it) reversed.push_back(**(*it));
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.cArgs = static_cast<UINT>(reversed.size());
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  if (kind == DispatchKind::put) {
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &putId;
  }
  Variant scratch;
  Variant* out = result ? result : &scratch;
  EXCEPINFO excep{};
  UINT argErr = 0;
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, static_cast<WORD>(kind), &params,
                      kind == DispatchKind::put ? nullptr : out->get(), &excep, &argErr);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  return hr;
}

std::string bytesOf(const VARIANT& v, size_t maxBytes) {
  if (v.vt != (VT_ARRAY | VT_UI1) || !v.parray || SafeArrayGetDim(v.parray) != 1) return {};
  LONG lower = 0, upper = -1;
  if (FAILED(SafeArrayGetLBound(v.parray, 1, &lower)) || FAILED(SafeArrayGetUBound(v.parray, 1, &upper)) ||
      upper < lower)
    return {};
  size_t count = static_cast<size_t>(upper - lower) + 1;
  if (count > maxBytes) count = maxBytes;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(v.parray, &data))) return {};
  std::string out(static_cast<const char*>(data), count);
  SafeArrayUnaccessData(v.parray);
  return out;
}

std::wstring textOf(const VARIANT& v) {
  if (v.vt != VT_BSTR || !v.bstrVal) return {};
  return std::wstring(v.bstrVal, SysStringLen(v.bstrVal));
}

}  // namespace qelvo
