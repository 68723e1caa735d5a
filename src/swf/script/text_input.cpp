#include "swf/script/text_input.h"

#include "swf/format/limits.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/selection.h"
#include "swf/script/script_host.h"
#include "swf/script/text_field.h"

#include <array>

namespace reelcase::swf::avm1 {

namespace {

struct RestrictRule {
    char16_t low = 0;
    char16_t high = 0;
    bool allow = true;
};

// The rules in order; a character's last matching rule decides. Leading '^' lets every
// character through unless a rule keeps it out.
std::vector<RestrictRule> restrictRules(const QString& r) {
    std::vector<RestrictRule> rules;
    bool allow = true;
    qsizetype i = 0;
    const qsizetype n = r.size();
    // The next literal character (escapes resolved), or nothing at the end or at '^'.
    auto literal = [&]() -> std::optional<char16_t> {
        if (i >= n || r[i] == u'^')
            return std::nullopt;
        if (r[i] == u'\\') {
            if (i + 1 >= n) {
                i = n;
                return std::nullopt;
            }
            i += 2;
            return r[i - 1].unicode();
        }
        return r[i++].unicode();
    };
    auto skipDashes = [&] {
        bool any = false;
        while (i < n && r[i] == u'-') {
            ++i;
            any = true;
        }
        return any;
    };
    while (i < n && rules.size() < 4096) {
        if (r[i] == u'^') {
            allow = !allow;
            ++i;
            continue;
        }
        if (skipDashes()) { // a range open to the left starts at the first character
            if (auto high = literal())
                rules.push_back({0, *high, allow});
            continue;
        }
        const auto low = literal();
        if (!low)
            continue;
        if (skipDashes()) {
            const auto high = literal();
            rules.push_back({*low, high && *high >= *low ? *high : *low, allow});
        } else {
            rules.push_back({*low, *low, allow});
        }
    }
    return rules;
}

// A restrict string read once, to filter many characters.
class Restrict {
public:
    explicit Restrict(const QString& r)
        : m_rules(restrictRules(r))
        , m_allowByDefault(r.startsWith(u'^')) {}

    std::optional<QChar> pass(QChar c) const {
        if (allows(c))
            return c;
        // Only ASCII letters try their other case.
        if (c.unicode() < 128 && c.isLetter()) {
            const QChar other = c.isUpper() ? c.toLower() : c.toUpper();
            if (allows(other))
                return other;
        }
        return std::nullopt;
    }

private:
    bool allows(QChar c) const {
        bool allowed = m_allowByDefault;
        for (const RestrictRule& rule : m_rules)
            if (c.unicode() >= rule.low && c.unicode() <= rule.high)
                allowed = rule.allow;
        return allowed;
    }

    std::vector<RestrictRule> m_rules;
    bool m_allowByDefault = false;
};

TextFieldObject* focusedField(Vm& vm) {
    Object* o = builtins::focusedObject(vm);
    return o && o->kind() == Kind::TextField ? static_cast<TextFieldObject*>(o) : nullptr;
}

// What of text may go in: restrict filters each character, single-line fields stop at the
// first line break, and maxChars caps the whole.
QString admitted(TextFieldObject& f, const QString& text, int replacing) {
    QString out;
    const std::optional<Restrict> restrict =
        f.hasRestrict ? std::optional<Restrict>(f.restrict) : std::nullopt;
    const int room = limits::maxEditTextLength - (f.rich.size() - replacing);
    for (QChar c : normaliseNewlines(text.left(std::max(0, room)))) {
        if (c == u'\r' && !f.settings.multiline)
            break;
        if (restrict && c != u'\r') {
            const auto kept = restrict->pass(c);
            if (!kept)
                continue;
            c = *kept;
        }
        out += c;
    }
    if (f.settings.maxLength > 0) {
        const int room = std::max(0, f.settings.maxLength - (f.rich.size() - replacing));
        out.truncate(room);
    }
    return out;
}

void tellChanged(Vm& vm, TextFieldObject& f) {
    const Value self(&f);
    builtins::broadcast(vm, &f, QStringLiteral("onChanged"), std::array<Value, 1>{self});
}

// Replaces the selection with text typed or pasted; false when nothing changed.
bool insert(Vm& vm, TextFieldObject& f, const QString& text) {
    const int begin = std::min(f.selectionBegin, f.selectionEnd);
    const int end = std::max(f.selectionBegin, f.selectionEnd);
    const QString kept = admitted(f, text, end - begin);
    if (kept.isEmpty() && begin == end)
        return false;
    f.replace(vm, begin, end, kept, f.newFormat);
    tellChanged(vm, f);
    return true;
}

bool erase(Vm& vm, TextFieldObject& f, int begin, int end) {
    begin = std::clamp(begin, 0, f.rich.size());
    end = std::clamp(end, begin, f.rich.size());
    if (begin == end)
        return false;
    f.replace(vm, begin, end, QString(), f.newFormat);
    tellChanged(vm, f);
    return true;
}

void moveCaret(TextFieldObject& f, int to) {
    f.selectionBegin = f.selectionEnd = std::clamp(to, 0, f.rich.size());
}

} // namespace

std::optional<QChar> restrictedChar(const QString& restrict, QChar c) {
    return Restrict(restrict).pass(c);
}

static bool typeInto(Vm& vm, char32_t codepoint) {
    TextFieldObject* f = focusedField(vm);
    if (!f || !f->typable() || codepoint < 0x20 || codepoint == 0x7F)
        return false;
    return insert(vm, *f, QString::fromUcs4(&codepoint, 1));
}

static bool applyEdit(Vm& vm, TextEdit edit) {
    TextFieldObject* f = focusedField(vm);
    if (!f)
        return false;
    const int begin = std::min(f->selectionBegin, f->selectionEnd);
    const int end = std::max(f->selectionBegin, f->selectionEnd);
    ScriptHost* host = vm.host();
    switch (edit) {
    case TextEdit::SelectAll:
        f->selectionBegin = 0;
        f->selectionEnd = f->rich.size();
        return true;
    case TextEdit::Copy:
    case TextEdit::Cut:
        // A password never leaves its field.
        if (f->settings.password || begin == end || !host)
            return false;
        host->setClipboardText(f->rich.text().mid(begin, end - begin));
        return edit == TextEdit::Cut && f->typable() ? erase(vm, *f, begin, end) : true;
    case TextEdit::MoveLeft:
        moveCaret(*f, begin == end ? begin - 1 : begin);
        return true;
    case TextEdit::MoveRight:
        moveCaret(*f, begin == end ? end + 1 : end);
        return true;
    case TextEdit::MoveHome:
        moveCaret(*f, 0);
        return true;
    case TextEdit::MoveEnd:
        moveCaret(*f, f->rich.size());
        return true;
    default:
        break;
    }
    if (!f->typable())
        return false;
    switch (edit) {
    case TextEdit::Paste:
        // An empty clipboard leaves the selection alone.
        return host && !host->clipboardText().isEmpty() && insert(vm, *f, host->clipboardText());
    case TextEdit::Enter:
        return f->settings.multiline && insert(vm, *f, QStringLiteral("\r"));
    case TextEdit::Backspace:
        return erase(vm, *f, begin == end ? begin - 1 : begin, end);
    case TextEdit::Delete:
        return erase(vm, *f, begin, begin == end ? end + 1 : end);
    default:
        return false;
    }
}

// Scripts the edit runs (onChanged, watchers) end here when they throw or run out of budget.
template <typename F> static bool guarded(F&& f) {
    try {
        return f();
    } catch (ScriptThrow&) {
    } catch (ScriptAbort&) {
    }
    return true;
}

// A key shows the caret solid again, whatever it did.
static void keyPressed(Vm& vm) {
    if (TextFieldObject* f = focusedField(vm))
        f->restartCaret(vm);
}

bool typeIntoFocusedField(Vm& vm, char32_t codepoint) {
    keyPressed(vm);
    return guarded([&] { return typeInto(vm, codepoint); });
}

bool editFocusedField(Vm& vm, TextEdit e) {
    keyPressed(vm);
    return guarded([&] { return applyEdit(vm, e); });
}

} // namespace reelcase::swf::avm1
