// DirectDraw of the simulated machine: the object that "DirectDrawCreate"
// makes, its primary surface, and the later interfaces that each offers.
#include "internal.h"

#include <cstdio>
#include <cstring>

const IID IID_IDirectDraw2 = {0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
const IID IID_IDirectDrawSurface3 = {0xDA044E00, 0x69B2, 0x11D0, {0xA1, 0xD5, 0x00, 0xAA, 0x00, 0xB8, 0xDF, 0xBB}};
const IID IID_IDirectDrawSurface4 = {0x0B2B8630, 0xAD35, 0x11D0, {0x8E, 0xA6, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};

namespace sim {

namespace {

const IID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIDirectDraw = {0x6C14DB80, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const IID kIDirectDrawSurface = {0x6C14DB81, 0xA733, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

constexpr HRESULT kNoAggregation = static_cast<HRESULT>(0x80040110L);  // CLASS_E_NOAGGREGATION

bool Same(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

void Created(Machine& m, std::unique_ptr<ComCounted> object) {
    ++m.ledger.comInterfacesHandedOut;
    ++m.ledger.comReferencesAlive;
    m.internals().comObjects.push_back(std::move(object));
}

bool CheckAlive(const ComCounted& object, const char* method) {
    if (object.refs == 0) {
        Fail(object.interfaceName + "::" + method + " called after its last Release");
        return false;
    }
    return true;
}

ULONG AddRefOne(ComCounted& object) {
    if (!CheckAlive(object, "AddRef")) {
        return 0;
    }
    ++object.refs;
    ++Current().ledger.comReferencesAlive;
    return object.refs;
}

ULONG ReleaseOne(ComCounted& object) {
    if (object.refs == 0) {
        Fail(object.interfaceName + "::Release called more often than it was referenced");
        return 0;
    }
    --object.refs;
    --Current().ledger.comReferencesAlive;
    Log(object.interfaceName + "::Release -> " + std::to_string(object.refs));
    return object.refs;
}

// An interface that QueryInterface hands out, with a count of its own; its
// other queries go to the object it came from.
template <class Interface>
class TearOff final : public Interface, public ComCounted {
public:
    TearOff(const char* name, IUnknown* owner) : owner_(owner) { interfaceName = name; }
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!CheckAlive(*this, "QueryInterface")) {
            return E_FAIL;
        }
        return owner_->QueryInterface(riid, object);
    }
    ULONG AddRef() override { return AddRefOne(*this); }
    ULONG Release() override { return ReleaseOne(*this); }

private:
    IUnknown* owner_;
};

class DirectDrawObject;

class Surface final : public IDirectDrawSurface, public ComCounted {
public:
    explicit Surface(Machine& m) : m_(m) { interfaceName = "IDirectDrawSurface"; }

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!CheckAlive(*this, "QueryInterface")) {
            return E_FAIL;
        }
        const std::string name = GuidName(riid);
        m_.directDrawRecord.surfaceQueries.push_back(name);
        HRESULT result = E_NOINTERFACE;
        if (object == nullptr) {
            Fail("IDirectDrawSurface::QueryInterface: null out-pointer");
            result = E_INVALIDARG;
        } else if (Same(riid, IID_IDirectDrawSurface3) && m_.directDraw.surfaceOffers3) {
            auto added = std::make_unique<TearOff<IDirectDrawSurface3>>("IDirectDrawSurface3", this);
            *object = static_cast<IDirectDrawSurface3*>(added.get());
            interfaces_.push_back(added.get());
            Created(m_, std::move(added));
            result = m_.directDraw.successResult;
        } else if (Same(riid, IID_IDirectDrawSurface4) && m_.directDraw.surfaceOffers4) {
            auto added = std::make_unique<TearOff<IDirectDrawSurface4>>("IDirectDrawSurface4", this);
            *object = static_cast<IDirectDrawSurface4*>(added.get());
            interfaces_.push_back(added.get());
            Created(m_, std::move(added));
            result = m_.directDraw.successResult;
        } else if (Same(riid, kIDirectDrawSurface) || Same(riid, kIUnknown)) {
            AddRefOne(*this);
            *object = static_cast<IDirectDrawSurface*>(this);
            result = m_.directDraw.successResult;
        } else {
            *object = nullptr;
        }
        Log("IDirectDrawSurface::QueryInterface " + name + " -> " + HResultText(result));
        return result;
    }
    ULONG AddRef() override { return AddRefOne(*this); }
    ULONG Release() override { return ReleaseOne(*this); }

    bool AnyAlive() const {
        if (refs > 0) {
            return true;
        }
        for (const ComCounted* added : interfaces_) {
            if (added->refs > 0) {
                return true;
            }
        }
        return false;
    }

private:
    Machine& m_;
    std::vector<ComCounted*> interfaces_;
};

class DirectDrawObject final : public IDirectDraw, public ComCounted {
public:
    explicit DirectDrawObject(Machine& m) : m_(m) { interfaceName = "IDirectDraw"; }

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!CheckAlive(*this, "QueryInterface")) {
            return E_FAIL;
        }
        const std::string name = GuidName(riid);
        m_.directDrawRecord.directDrawQueries.push_back(name);
        HRESULT result = E_NOINTERFACE;
        if (object == nullptr) {
            Fail("IDirectDraw::QueryInterface: null out-pointer");
            result = E_INVALIDARG;
        } else if (Same(riid, IID_IDirectDraw2) && m_.directDraw.offersDirectDraw2) {
            auto added = std::make_unique<TearOff<IDirectDraw2>>("IDirectDraw2", this);
            *object = static_cast<IDirectDraw2*>(added.get());
            Created(m_, std::move(added));
            result = m_.directDraw.successResult;
        } else if (Same(riid, kIDirectDraw) || Same(riid, kIUnknown)) {
            AddRefOne(*this);
            *object = static_cast<IDirectDraw*>(this);
            result = m_.directDraw.successResult;
        } else {
            *object = nullptr;
        }
        Log("IDirectDraw::QueryInterface " + name + " -> " + HResultText(result));
        return result;
    }

    ULONG AddRef() override { return AddRefOne(*this); }

    ULONG Release() override {
        const bool wasReferenced = refs > 0;
        ULONG left = ReleaseOne(*this);
        if (wasReferenced && left == 0) {
            for (const Surface* surface : surfaces_) {
                if (surface->AnyAlive()) {
                    Fail("IDirectDraw released for the last time while its surface is still referenced");
                    break;
                }
            }
        }
        return left;
    }

    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
        if (!CheckAlive(*this, "SetCooperativeLevel")) {
            return E_FAIL;
        }
        m_.directDrawRecord.cooperativeLevels.push_back(DirectDrawRecord::CooperativeLevel{window, flags});
        HRESULT result = m_.directDraw.setCooperativeLevelResult;
        if (SUCCEEDED(result)) {
            cooperativeLevelSet_ = true;
            result = m_.directDraw.successResult;
        }
        Log("IDirectDraw::SetCooperativeLevel " + std::string(window ? "window" : "NULL") + " " + Hex(flags) +
            " -> " + HResultText(result));
        return result;
    }

    HRESULT CreateSurface(LPDDSURFACEDESC desc, IDirectDrawSurface** surface, IUnknown* outer) override {
        if (!CheckAlive(*this, "CreateSurface")) {
            return E_FAIL;
        }
        if (surface != nullptr) {
            *surface = nullptr;
        }
        HRESULT result = DD_OK;
        if (desc == nullptr || surface == nullptr) {
            Fail("IDirectDraw::CreateSurface: null description or out-pointer");
            result = DDERR_INVALIDPARAMS;
        } else {
            m_.directDrawRecord.surfaceRequests.push_back(
                DirectDrawRecord::SurfaceRequest{desc->dwSize, desc->dwFlags, desc->ddsCaps.dwCaps,
                                                 OtherFieldsZero(*desc), outer});
            if (desc->dwSize != sizeof(DDSURFACEDESC)) {
                result = DDERR_INVALIDPARAMS;
            } else if (outer != nullptr) {
                result = kNoAggregation;
            } else if (!cooperativeLevelSet_) {
                result = DDERR_NOCOOPERATIVELEVELSET;
            } else if (FAILED(m_.directDraw.createSurfaceResult)) {
                result = m_.directDraw.createSurfaceResult;
            } else {
                auto made = std::make_unique<Surface>(m_);
                *surface = made.get();
                surfaces_.push_back(made.get());
                Created(m_, std::move(made));
                result = m_.directDraw.successResult;
            }
        }
        Log("IDirectDraw::CreateSurface -> " + HResultText(result));
        return result;
    }

private:
    static bool OtherFieldsZero(const DDSURFACEDESC& d) {
        auto zeroKey = [](const DDCOLORKEY& k) { return k.dwColorSpaceLowValue == 0 && k.dwColorSpaceHighValue == 0; };
        const DDPIXELFORMAT& p = d.ddpfPixelFormat;
        return d.dwHeight == 0 && d.dwWidth == 0 && d.lPitch == 0 && d.dwBackBufferCount == 0 &&
               d.dwRefreshRate == 0 && d.dwAlphaBitDepth == 0 && d.dwReserved == 0 && d.lpSurface == nullptr &&
               zeroKey(d.ddckCKDestOverlay) && zeroKey(d.ddckCKDestBlt) && zeroKey(d.ddckCKSrcOverlay) &&
               zeroKey(d.ddckCKSrcBlt) && p.dwSize == 0 && p.dwFlags == 0 && p.dwFourCC == 0 &&
               p.dwRGBBitCount == 0 && p.dwRBitMask == 0 && p.dwGBitMask == 0 && p.dwBBitMask == 0 &&
               p.dwRGBAlphaBitMask == 0;
    }

    Machine& m_;
    bool cooperativeLevelSet_ = false;
    std::vector<Surface*> surfaces_;
};

HRESULT DirectDrawCreateSim(GUID* guid, IDirectDraw** directDraw, IUnknown* outer) {
    Machine& m = Current();
    if (!m.IsLoaded("DDRAW.DLL")) {
        Fail("DirectDrawCreate called while DDRAW.DLL is not loaded");
    }
    m.directDrawRecord.creates.push_back(DirectDrawRecord::Create{guid, outer});
    const std::string call = std::string("DirectDrawCreate ") + (guid ? GuidName(*guid) : "NULL") + " " +
                             (outer ? "outer" : "NULL");
    HRESULT result = DD_OK;
    if (directDraw == nullptr) {
        Fail("DirectDrawCreate: null out-pointer");
        result = DDERR_INVALIDPARAMS;
    } else {
        *directDraw = nullptr;
        if (FAILED(m.directDraw.createResult)) {
            result = m.directDraw.createResult;
        } else if (outer != nullptr) {
            result = kNoAggregation;
        } else {
            auto made = std::make_unique<DirectDrawObject>(m);
            *directDraw = made.get();
            Created(m, std::move(made));
            result = m.directDraw.successResult;
        }
    }
    Log(call + " -> " + HResultText(result));
    return result;
}

}  // namespace

FARPROC DirectDrawCreateEntry() {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&DirectDrawCreateSim));
}

int DirectDrawObjectsAlive(Machine& m) {
    int alive = 0;
    for (const auto& object : m.internals().comObjects) {
        if (object->refs > 0) {
            ++alive;
        }
    }
    return alive;
}

std::string GuidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

std::string GuidName(const GUID& guid) {
    struct Known {
        const IID* iid;
        const char* name;
    };
    const Known known[] = {
        {&IID_IDirectDraw2, "IID_IDirectDraw2"},       {&IID_IDirectDrawSurface3, "IID_IDirectDrawSurface3"},
        {&IID_IDirectDrawSurface4, "IID_IDirectDrawSurface4"}, {&kIDirectDraw, "IID_IDirectDraw"},
        {&kIDirectDrawSurface, "IID_IDirectDrawSurface"}, {&kIUnknown, "IID_IUnknown"},
    };
    for (const Known& k : known) {
        if (Same(*k.iid, guid)) {
            return k.name;
        }
    }
    return GuidText(guid);
}

}  // namespace sim
