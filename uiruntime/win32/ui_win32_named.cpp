// ui_win32_named.cpp - what a screen reader reads where a window's own text
// or the label before it does not say a control's name: the control's
// window answers WM_GETOBJECT with the system's own client object, its name
// (and for the toggle its role and state as a check box's) given by the
// runtime; a frame's group box reads its title while only its caption
// draws it.
//
// oleacc, ole32 and oleaut32 are loaded on the first question a screen
// reader asks, never at start.
#include "ui_win32_state.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <memory>

namespace {

using CreateStdObject = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using ResultFromObject = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using AllocString = BSTR(WINAPI*)(const OLECHAR*);
using StartCom = HRESULT(WINAPI*)(void*, DWORD);
using StopCom = void(WINAPI*)();

struct LibraryCloser {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using OwnedLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryCloser>;

template <typename Function>
Function Entry(const OwnedLibrary& library, const char* name)
{
    return library ? reinterpret_cast<Function>(
                         reinterpret_cast<void*>(GetProcAddress(library.get(), name)))
                   : nullptr;
}

// The accessibility libraries of the thread that runs the panels, with COM
// started on it for the objects handed to screen readers.
struct Accessibility {
    OwnedLibrary ole32{LoadLibraryA("ole32.dll")};
    OwnedLibrary oleaut32{LoadLibraryA("oleaut32.dll")};
    OwnedLibrary oleacc{LoadLibraryA("oleacc.dll")};
    CreateStdObject create_standard = Entry<CreateStdObject>(oleacc, "CreateStdAccessibleObject");
    ResultFromObject result_from_object = Entry<ResultFromObject>(oleacc, "LresultFromObject");
    AllocString alloc_string = Entry<AllocString>(oleaut32, "SysAllocString");
    StopCom stop_com = Entry<StopCom>(ole32, "CoUninitialize");
    bool com_started = false;

    Accessibility()
    {
        if (const auto start = Entry<StartCom>(ole32, "CoInitializeEx"))
            com_started = SUCCEEDED(start(nullptr, COINIT_APARTMENTTHREADED));
    }
    ~Accessibility()
    {
        if (com_started && stop_com != nullptr) stop_com();
    }
    Accessibility(const Accessibility&) = delete;
    Accessibility& operator=(const Accessibility&) = delete;

    bool usable() const
    {
        return create_standard != nullptr && result_from_object != nullptr &&
               alloc_string != nullptr;
    }
};

Accessibility& Libraries()
{
    static Accessibility libraries;
    return libraries;
}

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(std::max(length, 0)));
    return wide;
}

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's client object of a window with the name the runtime gives
// it; a check box's role and state where the window is the toggle.
class NamedObject final : public IAccessible {
public:
    // Takes over the reference to `standard`; the object made holds one
    // reference, which the caller releases.
    static NamedObject* Make(IAccessible* standard, HWND window, std::wstring name, bool check_box)
    {
        return std::make_unique<NamedObject>(standard, window, std::move(name), check_box)
            .release();
    }

    NamedObject(IAccessible* standard, HWND window, std::wstring name, bool check_box)
        : standard_(standard), window_(window), name_(std::move(name)), check_box_(check_box)
    {}
    ~NamedObject() { standard_->Release(); }
    NamedObject(const NamedObject&) = delete;
    NamedObject& operator=(const NamedObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch) ||
            IsEqualIID(id, __uuidof(IAccessible))) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // Anything else the system's object answers (its identity, its
        // enumeration of children).
        return standard_->QueryInterface(id, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) std::unique_ptr<NamedObject> gone(this);
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override
    {
        return standard_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* wrong) override
    {
        return standard_->Invoke(member, id, locale, flags, parameters, result, exception, wrong);
    }

    // IAccessible: the name, and the toggle's role and state, are the
    // runtime's; everything else is the system's.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        if (!IsSelf(child)) return standard_->get_accName(child, name);
        if (name == nullptr) return E_POINTER;
        *name = Libraries().alloc_string(name_.c_str());
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!check_box_ || !IsSelf(child)) return standard_->get_accRole(child, role);
        if (role == nullptr) return E_POINTER;
        role->vt = VT_I4;
        role->lVal = ROLE_SYSTEM_CHECKBUTTON;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        const HRESULT result = standard_->get_accState(child, state);
        if (!check_box_ || !IsSelf(child) || FAILED(result) || state->vt != VT_I4) return result;
        state->lVal &= ~(STATE_SYSTEM_CHECKED | STATE_SYSTEM_PRESSED);
        if (SendMessageA(window_, BM_GETCHECK, 0, 0) == BST_CHECKED)
            state->lVal |= STATE_SYSTEM_CHECKED;
        return result;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override
    {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override
    {
        return standard_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override
    {
        return standard_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override
    {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override
    {
        return standard_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override
    {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return standard_->put_accValue(child, value);
    }

private:
    IAccessible* standard_;
    HWND window_;
    std::wstring name_;
    bool check_box_;
    LONG references_ = 1;
};

LRESULT AnswerObject(HWND window, WPARAM wparam, const UiControl& control)
{
    Accessibility& libraries = Libraries();
    if (!libraries.usable()) return 0;
    IAccessible* standard = nullptr;
    if (FAILED(libraries.create_standard(window, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard))) ||
        standard == nullptr)
        return 0;
    IAccessible* named = NamedObject::Make(standard, window, Wide(control.toolkit->accessible_name),
                                           control.entry->kind == UiControlKind::Toggle);
    const LRESULT result = libraries.result_from_object(__uuidof(IAccessible), wparam, named);
    named->Release();
    return result;
}

LRESULT CALLBACK NamedProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                           DWORD_PTR reference)
{
    if (message == WM_GETOBJECT && static_cast<DWORD>(lparam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (const LRESULT answer =
                AnswerObject(window, wparam, *reinterpret_cast<const UiControl*>(reference)))
            return answer;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

// A group box holding its frame's title as its text draws none: the
// frame's caption draws the title where the panel places it.
LRESULT CALLBACK TitledFrameProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                 DWORD_PTR)
{
    static bool drawing = false;
    switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        drawing = true;
        const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
        drawing = false;
        return result;
    }
    case WM_GETTEXT:
        if (!drawing) break;
        // Subclassed windows get their texts as wide characters.
        if (wparam > 0) reinterpret_cast<wchar_t*>(lparam)[0] = L'\0';
        return 0;
    case WM_GETTEXTLENGTH:
        if (drawing) return 0;
        break;
    default: break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

void NameForScreenReaders(UiControl& control, std::string name)
{
    control.toolkit->accessible_name = std::move(name);
    SetWindowSubclass(control.toolkit->window, NamedProc, 2, reinterpret_cast<DWORD_PTR>(&control));
}

void DrawNoTitle(HWND group_box)
{
    SetWindowSubclass(group_box, TitledFrameProc, 2, 0);
}
