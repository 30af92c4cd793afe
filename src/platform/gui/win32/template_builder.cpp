#include "platform/gui/win32/template_builder.h"

#include "platform/windows/wide_text.h"
#include "platform/windows/win32_api.h"

namespace platform::win32 {
namespace {

// The predefined classes' atoms, as a template names them.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kComboBoxAtom = 0x0085;

class TemplateWriter {
  public:
    void Word(WORD value) { m_words.push_back(value); }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Coordinates(int x, int y, int cx, int cy) {
        for (int value : {x, y, cx, cy}) {
            Word(static_cast<WORD>(static_cast<short>(value)));
        }
    }
    void Text(std::string_view utf8) {
        for (wchar_t unit : Widen(utf8)) {
            Word(static_cast<WORD>(unit));
        }
        Word(0);
    }
    void Ordinal(WORD value) {
        Word(0xFFFF);
        Word(value);
    }
    // Every item starts on a DWORD boundary of the template.
    void AlignToDword() {
        if (m_words.size() % 2 != 0) {
            Word(0);
        }
    }
    std::vector<WORD> Take() { return std::move(m_words); }

  private:
    std::vector<WORD> m_words;
};

WORD ClassAtom(ControlClass cls) {
    switch (cls) {
        case ControlClass::Button:
            return kButtonAtom;
        case ControlClass::Edit:
            return kEditAtom;
        case ControlClass::ComboBox:
            return kComboBoxAtom;
        case ControlClass::Static:
            break;
    }
    return kStaticAtom;
}

bool IsBitmapStatic(const ControlTemplate& control) {
    return control.cls == ControlClass::Static && (control.style & SS_TYPEMASK) == SS_BITMAP;
}

}  // namespace

std::vector<std::uint16_t> BuildDialogTemplate(const DialogTemplate& dialog) {
    TemplateWriter out;
    out.Word(1);       // dlgVer
    out.Word(0xFFFF);  // signature: the extended template
    out.Dword(0);      // helpID
    out.Dword(dialog.exStyle);
    out.Dword(dialog.style);
    out.Word(static_cast<WORD>(dialog.controls.size()));
    out.Coordinates(dialog.x, dialog.y, dialog.cx, dialog.cy);
    out.Word(0);  // no menu
    out.Word(0);  // the predefined dialog class
    out.Text(dialog.caption);
    if ((dialog.style & DS_SETFONT) != 0) {
        out.Word(static_cast<WORD>(dialog.pointSize));
        out.Word(static_cast<WORD>(dialog.weight));
        out.Word(DEFAULT_CHARSET << 8);  // not italic; the face's own character set
        out.Text(dialog.fontFace);
    }
    for (const ControlTemplate& control : dialog.controls) {
        out.AlignToDword();
        out.Dword(0);  // helpID
        out.Dword(0);  // exStyle
        out.Dword(control.style);
        out.Coordinates(control.x, control.y, control.cx, control.cy);
        out.Dword(static_cast<DWORD>(control.id));
        out.Ordinal(ClassAtom(control.cls));
        if (IsBitmapStatic(control)) {
            // The static loads its picture from the module the dialog was created with.
            out.Ordinal(static_cast<WORD>(control.imageId));
        } else {
            out.Text(control.text);
        }
        out.Word(0);  // no creation data
    }
    return out.Take();
}

}  // namespace platform::win32
