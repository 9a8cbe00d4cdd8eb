// SAFEARRAYs: creation, bounds, locking, element access and the deep copy
// and release of their elements.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KavroStd/platform/oleauto.h"

namespace {

// The header block: the element type sits in front of the SAFEARRAY, as on
// Windows (FADF_HAVEVARTYPE); the bounds follow it.
struct Block {
  alignas(8) VARTYPE type;
  SAFEARRAY array;
};

constexpr size_t kMaxCells = 0x7FFFFFFF;

ULONG ElementSize(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_I8:
    case VT_UI8: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_DISPATCH:
    case VT_UNKNOWN: return sizeof(IUnknown*);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
  }
}

USHORT Features(VARTYPE type) {
  switch (type) {
    case VT_BSTR: return FADF_BSTR | FADF_HAVEVARTYPE;
    case VT_UNKNOWN: return FADF_UNKNOWN | FADF_HAVEVARTYPE;
    case VT_DISPATCH: return FADF_DISPATCH | FADF_HAVEVARTYPE;
    case VT_VARIANT: return FADF_VARIANT | FADF_HAVEVARTYPE;
    default: return FADF_HAVEVARTYPE;
  }
}

Block* BlockOf(SAFEARRAY* array) {
  return reinterpret_cast<Block*>(reinterpret_cast<char*>(array) - offsetof(Block, array));
}

size_t CellCount(const SAFEARRAY* array) {
  size_t cells = 1;
  for (USHORT i = 0; i < array->cDims; ++i) cells *= array->rgsabound[i].cElements;
  return cells;
}

// A new array with the bounds given first dimension first; null on failure.
SAFEARRAY* Allocate(VARTYPE type, UINT dims, const SAFEARRAYBOUND* bounds) {
  const ULONG size = ElementSize(type);
  if (size == 0 || dims == 0 || dims > 0xFFFF || !bounds) return nullptr;
  size_t cells = 1;
  for (UINT i = 0; i < dims; ++i) {
    const size_t n = bounds[i].cElements;
    if (n != 0 && cells > kMaxCells / n) return nullptr;
    cells *= n;
  }
  if (cells > kMaxCells) return nullptr;
  const size_t header = sizeof(Block) + (dims - 1) * sizeof(SAFEARRAYBOUND);
  Block* block = static_cast<Block*>(std::calloc(1, header));
  if (!block) return nullptr;
  void* data = std::calloc(cells ? cells : 1, size);
  if (!data) {
    std::free(block);
    return nullptr;
  }
  block->type = type;
  SAFEARRAY* array = &block->array;
  array->cDims = static_cast<USHORT>(dims);
  array->fFeatures = Features(type);
  array->cbElements = size;
  array->pvData = data;
  // Stored last dimension first.
  for (UINT i = 0; i < dims; ++i) array->rgsabound[i] = bounds[dims - 1 - i];
  return array;
}

const SAFEARRAYBOUND& Bound(const SAFEARRAY* array, UINT dimension /* 0 is the first */) {
  return array->rgsabound[array->cDims - 1 - dimension];
}

// The cell of the indices (first dimension first, varying fastest).
HRESULT CellOf(SAFEARRAY* array, const LONG* indices, void** cell) {
  if (!array || !indices || !cell) return E_INVALIDARG;
  size_t offset = 0;
  size_t stride = 1;
  for (UINT d = 0; d < array->cDims; ++d) {
    const SAFEARRAYBOUND& b = Bound(array, d);
    const long long i = static_cast<long long>(indices[d]) - b.lLbound;
    if (i < 0 || i >= static_cast<long long>(b.cElements)) return DISP_E_BADINDEX;
    offset += static_cast<size_t>(i) * stride;
    stride *= b.cElements;
  }
  *cell = static_cast<char*>(array->pvData) + offset * array->cbElements;
  return S_OK;
}

VARTYPE TypeOf(SAFEARRAY* array) { return BlockOf(array)->type; }

void ClearCells(SAFEARRAY* array) {
  const size_t cells = CellCount(array);
  const VARTYPE type = TypeOf(array);
  if (type == VT_BSTR) {
    BSTR* texts = static_cast<BSTR*>(array->pvData);
    for (size_t i = 0; i < cells; ++i) SysFreeString(texts[i]);
  } else if (type == VT_UNKNOWN || type == VT_DISPATCH) {
    IUnknown** objects = static_cast<IUnknown**>(array->pvData);
    for (size_t i = 0; i < cells; ++i)
      if (objects[i]) objects[i]->Release();
  } else if (type == VT_VARIANT) {
    VARIANT* values = static_cast<VARIANT*>(array->pvData);
    for (size_t i = 0; i < cells; ++i) VariantClear(&values[i]);
  }
}

// Copies one element of `type` from `from` (a cell or the caller's value)
// into the empty cell `to`.
HRESULT CopyCell(VARTYPE type, void* to, const void* from, ULONG size) {
  if (type == VT_BSTR) {
    BSTR text = *static_cast<const BSTR*>(from);
    BSTR copy = nullptr;
    if (text) {
      copy = SysAllocStringLen(text, SysStringLen(text));
      if (!copy) return E_OUTOFMEMORY;
    }
    *static_cast<BSTR*>(to) = copy;
  } else if (type == VT_UNKNOWN || type == VT_DISPATCH) {
    IUnknown* object = *static_cast<IUnknown* const*>(from);
    if (object) object->AddRef();
    *static_cast<IUnknown**>(to) = object;
  } else if (type == VT_VARIANT) {
    VariantInit(static_cast<VARIANT*>(to));
    return VariantCopy(static_cast<VARIANT*>(to), static_cast<const VARIANT*>(from));
  } else {
    std::memcpy(to, from, size);
  }
  return S_OK;
}

}  // namespace

extern "C" SAFEARRAY* SafeArrayCreate(VARTYPE type, UINT dims, SAFEARRAYBOUND* bounds) {
  return Allocate(type, dims, bounds);
}

extern "C" SAFEARRAY* SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG count) {
  SAFEARRAYBOUND bound = {count, lowerBound};
  return Allocate(type, 1, &bound);
}

extern "C" HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (!array) return S_OK;
  if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  ClearCells(array);
  std::free(array->pvData);
  std::free(BlockOf(array));
  return S_OK;
}

extern "C" HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!array) return S_OK;
  std::vector<SAFEARRAYBOUND> given(array->cDims);
  for (UINT d = 0; d < array->cDims; ++d) given[d] = Bound(array, d);
  const VARTYPE type = TypeOf(array);
  SAFEARRAY* copy = Allocate(type, array->cDims, given.data());
  if (!copy) return E_OUTOFMEMORY;
  const size_t cells = CellCount(array);
  for (size_t i = 0; i < cells; ++i) {
    HRESULT hr = CopyCell(type, static_cast<char*>(copy->pvData) + i * copy->cbElements,
                          static_cast<char*>(array->pvData) + i * array->cbElements, array->cbElements);
    if (FAILED(hr)) {
      SafeArrayDestroy(copy);
      return hr;
    }
  }
  *out = copy;
  return S_OK;
}

extern "C" UINT SafeArrayGetDim(SAFEARRAY* array) { return array ? array->cDims : 0; }

extern "C" UINT SafeArrayGetElemsize(SAFEARRAY* array) { return array ? array->cbElements : 0; }

extern "C" HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* type) {
  if (!array || !type) return E_INVALIDARG;
  *type = TypeOf(array);
  return S_OK;
}

extern "C" HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound) {
  if (!array || !bound) return E_INVALIDARG;
  if (dim < 1 || dim > array->cDims) return DISP_E_BADINDEX;
  *bound = Bound(array, dim - 1).lLbound;
  return S_OK;
}

extern "C" HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound) {
  if (!array || !bound) return E_INVALIDARG;
  if (dim < 1 || dim > array->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = Bound(array, dim - 1);
  *bound = static_cast<LONG>(static_cast<long long>(b.lLbound) + b.cElements - 1);
  return S_OK;
}

extern "C" HRESULT SafeArrayLock(SAFEARRAY* array) {
  if (!array) return E_INVALIDARG;
  if (array->cLocks == 0xFFFF) return E_UNEXPECTED;
  ++array->cLocks;
  return S_OK;
}

extern "C" HRESULT SafeArrayUnlock(SAFEARRAY* array) {
  if (!array) return E_INVALIDARG;
  if (array->cLocks == 0) return E_UNEXPECTED;
  --array->cLocks;
  return S_OK;
}

extern "C" HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
  if (!array || !data) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(array);
  *data = SUCCEEDED(hr) ? array->pvData : nullptr;
  return hr;
}

extern "C" HRESULT SafeArrayUnaccessData(SAFEARRAY* array) { return SafeArrayUnlock(array); }

extern "C" HRESULT SafeArrayPtrOfIndex(SAFEARRAY* array, LONG* indices, void** element) {
  return CellOf(array, indices, element);
}

extern "C" HRESULT SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value) {
  if (!value) return E_INVALIDARG;
  void* cell = nullptr;
  HRESULT hr = CellOf(array, indices, &cell);
  if (FAILED(hr)) return hr;
  // The caller's variable is taken as uninitialised, as an out-parameter.
  return CopyCell(TypeOf(array), value, cell, array->cbElements);
}

extern "C" HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value) {
  void* cell = nullptr;
  HRESULT hr = CellOf(array, indices, &cell);
  if (FAILED(hr)) return hr;
  const VARTYPE type = TypeOf(array);
  if (type == VT_VARIANT) {
    if (!value) return E_INVALIDARG;
    return VariantCopy(static_cast<VARIANT*>(cell), static_cast<const VARIANT*>(value));
  }
  if (type == VT_BSTR) {
    // `value` is the BSTR itself; null stores a null text.
    BSTR text = static_cast<BSTR>(value);
    BSTR copy = text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
    if (text && !copy) return E_OUTOFMEMORY;
    SysFreeString(*static_cast<BSTR*>(cell));
    *static_cast<BSTR*>(cell) = copy;
    return S_OK;
  }
  if (type == VT_UNKNOWN || type == VT_DISPATCH) {
    IUnknown* object = static_cast<IUnknown*>(value);
    if (object) object->AddRef();
    IUnknown* old = *static_cast<IUnknown**>(cell);
    *static_cast<IUnknown**>(cell) = object;
    if (old) old->Release();
    return S_OK;
  }
  if (!value) return E_INVALIDARG;
  std::memcpy(cell, value, array->cbElements);
  return S_OK;
}
