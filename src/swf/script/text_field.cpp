#include "swf/script/text_field.h"

#include "swf/display/timeline_instance.h"
#include "swf/format/limits.h"
#include "swf/format/movie.h"
#include "swf/script/builtins/style_sheet.h"
#include "swf/script/heap.h"
#include "swf/text/font.h"

#include <QRegularExpression>

#include <cmath>

namespace reelcase::swf::avm1 {

namespace {

constexpr double kTwips = 20;

CharFormat formatOf(const EditText& def) {
    const EditTextSettings& s = def.settings();
    CharFormat f;
    if (!s.format.face.isEmpty())
        f.font = s.format.face;
    f.size = s.format.size / kTwips;
    f.color = s.format.colour.rgb() & 0xFFFFFF;
    f.bold = s.format.bold;
    f.italic = s.format.italic;
    f.underline = s.format.underline;
    f.align = s.paragraph.align;
    // The player keeps these in whole pixels.
    f.leftMargin = std::trunc(s.paragraph.leftMargin / kTwips);
    f.rightMargin = std::trunc(s.paragraph.rightMargin / kTwips);
    f.indent = std::trunc(s.paragraph.indent / kTwips);
    f.leading = std::trunc(s.paragraph.leading / kTwips);
    return f;
}

// The object and member a variable path names, from the field's parent clip.
std::pair<Object*, QString> bindingOf(Vm& vm, TimelineInstance& parent, const QString& path) {
    Object* at = vm.clipObject(parent);
    qsizetype split = path.lastIndexOf(u':');
    if (split < 0)
        split = path.lastIndexOf(u'.');
    if (split < 0)
        return {at, path};
    const QString target = path.left(split);
    if (target.startsWith(u'/') && vm.root())
        at = vm.clipObject(*vm.root());
    int steps = 0;
    for (const QString& segment : target.split(QRegularExpression(QStringLiteral("[/.]")))) {
        if (!at || ++steps > 64)
            return {nullptr, QString()};
        if (segment.isEmpty())
            continue;
        if (segment == u".." || vm.sameName(segment, QStringLiteral("_parent"))) {
            auto clip = vm.clipOf(at);
            at = clip && clip->parent() ? vm.clipObject(*clip->parent()) : nullptr;
        } else if (vm.sameName(segment, QStringLiteral("_root")) ||
                   segment.compare(QLatin1String("_level0"), Qt::CaseInsensitive) == 0) {
            at = vm.root() ? vm.clipObject(*vm.root()) : nullptr;
        } else if (!vm.sameName(segment, QStringLiteral("this"))) {
            at = objectOf(vm.getMember(Value(at), segment));
        }
    }
    return {at, path.mid(split + 1)};
}

} // namespace

void TextFieldObject::initFrom(const EditText& def) {
    settings = def.settings();
    newFormat = formatOf(def);
    if (settings.html)
        rich = parseRichHtml(def.initialText(), newFormat, false, settings.multiline);
    else
        rich.setText(normaliseNewlines(def.initialText()), newFormat);
    input = !settings.readOnly;
    // New text in an HTML field starts left-aligned, whatever the tag says.
    if (settings.html)
        newFormat.align = TextAlign::Left;
    autoSize = settings.autoSize ? QStringLiteral("left") : QStringLiteral("none");
}

void TextFieldObject::markChildren(Heap& heap) {
    DisplayHandle::markChildren(heap);
    heap.mark(tabIndex);
    heap.mark(styleSheet);
}

bool TextFieldObject::getNative(Vm& vm, const QString& name, Value& out) {
    // Before SWF 6 the properties are the field's own; later ones come from the prototype.
    if (vm.version() < 6 && textFieldProperty(vm, *this, name, out))
        return true;
    return DisplayHandle::getNative(vm, name, out);
}

bool TextFieldObject::setNative(Vm& vm, const QString& name, const Value& value) {
    if (vm.version() < 6 && setTextFieldProperty(vm, *this, name, value))
        return true;
    // A field's width and height are its box, not a stretch of its text.
    const bool width = name.compare(QLatin1String("_width"), Qt::CaseInsensitive) == 0;
    if (width || name.compare(QLatin1String("_height"), Qt::CaseInsensitive) == 0) {
        const DisplayObject* e = entry();
        const double d = vm.toNumber(value);
        if (!e || !std::isfinite(d) || d < 0)
            return true;
        const QTransform& m = e->placement.matrix;
        const double scale = width ? std::hypot(m.m11(), m.m12()) : std::hypot(m.m21(), m.m22());
        if (scale <= 0)
            return true;
        const double twips = std::round(d * 20) / scale;
        if (width)
            settings.bounds.setWidth(twips);
        else
            settings.bounds.setHeight(twips);
        changed(vm, false);
        return true;
    }
    return DisplayHandle::setNative(vm, name, value);
}

RichText TextFieldObject::parseHtml(Vm& vm, const QString& html) const {
    const std::optional<HtmlStyles> styles = builtins::styleSheetStyles(vm, styleSheet);
    return parseRichHtml(html, newFormat, condenseWhite, settings.multiline,
                         styles ? &*styles : nullptr);
}

bool TextFieldObject::typable() const {
    return input && !builtins::isStyleSheet(styleSheet);
}

void TextFieldObject::setText(Vm& vm, const QString& text, bool asHtml) {
    if (asHtml) {
        rich = parseHtml(vm, text);
        // Text goes on in the alignment the HTML ended with (left unless a tag said).
        if (auto last = rich.formatAt(rich.size() - 1); last && rich.size() > 0)
            newFormat.align = last->align;
    } else {
        rich.setText(normaliseNewlines(text.left(limits::maxEditTextLength)), newFormat);
    }
    selectionBegin = selectionEnd = std::min(selectionEnd, rich.size());
    changed(vm);
}

void TextFieldObject::replace(Vm& vm, int begin, int end, const QString& text,
                              const CharFormat& format) {
    begin = std::clamp(begin, 0, rich.size());
    end = std::clamp(end, begin, rich.size());
    rich.replace(begin, end, normaliseNewlines(text), format);
    selectionBegin = selectionEnd = std::min(begin + static_cast<int>(text.size()), rich.size());
    changed(vm);
}

TextLayout TextFieldObject::layout() const {
    return EditText::make(settings, rich.paragraphs(settings.password, newFormat))->layout();
}

int TextFieldObject::visibleLines() const {
    const TextLayout l = layout();
    const double bottom = settings.bounds.bottom() - kTextGutter;
    int lines = 0;
    for (qsizetype i = 0; i < l.lineTops.size(); ++i) {
        const double lineBottom =
            i + 1 < l.lineTops.size() ? l.lineTops[i + 1] : l.lineTops[i] + l.height / l.lineCount;
        if (lineBottom - l.lineTops.front() > bottom - settings.bounds.top() - kTextGutter &&
            lines > 0)
            break;
        ++lines;
    }
    return std::max(1, lines);
}

int TextFieldObject::maxScroll() const {
    const int lines = std::max(1, layout().lineCount);
    return std::max(1, lines - visibleLines() + 1);
}

void TextFieldObject::fitToText() {
    if (autoSize == u"none")
        return;
    const TextLayout l = layout();
    const bool empty = rich.size() == 0; // no line at all, only the gutter
    QRectF& b = settings.bounds;
    b.setHeight((empty ? 0 : l.height) + 2 * kTextGutter);
    if (settings.wordWrap)
        return; // the width stays; lines wrap in it
    const double width = (empty ? 0 : l.width) + 2 * kTextGutter;
    // The field moves, not its box: _x follows the kept edge.
    double shift = 0;
    if (autoSize == u"right")
        shift = b.width() - width;
    else if (autoSize == u"center")
        shift = (b.width() - width) / 2;
    b.setWidth(width);
    if (DisplayObject* e = entry(); e && shift != 0)
        e->placement.matrix = QTransform::fromTranslate(std::round(shift), 0) * e->placement.matrix;
}

// The embedded fonts a field in outlines can use: those of its movie that its text names.
void TextFieldObject::findNamedFonts(const Movie* movie) {
    settings.namedFonts.clear();
    if (!settings.useOutlines || !movie)
        return;
    QSet<QString> faces;
    for (const TextParagraph& paragraph : rich.paragraphs(false, newFormat))
        for (const TextRun& run : paragraph.runs)
            faces.insert(run.format.face);
    faces.insert(newFormat.textFormat().face);
    movie->dictionary.forEach([&](std::uint16_t id, const Character& c) {
        const auto* font = dynamic_cast<const Font*>(&c);
        if (font && !font->glyphs().empty() && faces.contains(font->name()))
            settings.namedFonts.push_back(
                std::static_pointer_cast<const Font>(movie->dictionary.shared(id)));
    });
}

void TextFieldObject::changed(Vm& vm, bool textChanged) {
    TimelineInstance* parent = nullptr;
    entry(&parent);
    findNamedFonts(parent && parent->movie() ? parent->movie() : vm.context().movie);
    fitToText();
    if (scroll > 1) // laying out costs; the first line is always there
        scroll = std::clamp(scroll, 1, maxScroll());
    TimelineInstance* p = nullptr;
    DisplayObject* e = entry(&p);
    if (!e)
        return;
    drawnCursor = cursor();
    settings.hscroll = hscroll;
    auto drawn = EditText::make(settings, rich.paragraphs(settings.password, newFormat), scroll - 1,
                                drawnCursor);
    e->character = drawn.get();
    e->ownCharacter = std::move(drawn);
    if (!textChanged || settings.variable.isEmpty() || !p)
        return;
    auto [target, member] = bindingOf(vm, *p, settings.variable);
    if (!target || member.isEmpty())
        return;
    shownVariableText = rich.text();
    variableShown = true;
    vm.setMember(Value(target), member, shownVariableText);
}

void TextFieldObject::restartCaret(Vm& vm) {
    caretSince = vm.timer();
    caretOn = true;
}

void TextFieldObject::blinkCaret(Vm& vm) {
    constexpr qint64 halfPeriodMs = 500;
    caretOn = (vm.timer() - caretSince) / halfPeriodMs % 2 == 0;
}

std::optional<TextCursor> TextFieldObject::cursor() const {
    if (!showsFocus)
        return std::nullopt;
    const int size = rich.size();
    const int anchor = std::clamp(selectionBegin, 0, size);
    const int caret = std::clamp(selectionEnd, 0, size);
    return TextCursor{std::min(anchor, caret), std::max(anchor, caret), caret,
                      typable() && caretOn};
}

void TextFieldObject::pullVariable(Vm& vm) {
    TimelineInstance* p = nullptr;
    if (settings.variable.isEmpty() || !entry(&p) || !p)
        return;
    auto [target, member] = bindingOf(vm, *p, settings.variable);
    if (!target || member.isEmpty())
        return;
    Value v;
    if (!vm.findMember(target, member, v) || isVoid(v)) {
        // A variable that does not exist yet starts as the field's text, if it has any.
        if (!variableShown && rich.size() > 0) {
            variableShown = true;
            shownVariableText = rich.text();
            vm.setMember(Value(target), member, shownVariableText);
        }
        return;
    }
    const QString text = vm.toString(v);
    if (variableShown && text == shownVariableText)
        return;
    variableShown = true;
    shownVariableText = text;
    if (settings.html)
        rich = parseHtml(vm, text);
    else
        rich.setText(normaliseNewlines(text), newFormat);
    changed(vm, false);
}

void updateBoundTextFields(Vm& vm) {
    std::vector<TextFieldObject*> fields;
    for (Object* o : vm.displayObjects())
        if (o->kind() == Kind::TextField)
            fields.push_back(static_cast<TextFieldObject*>(o));
    for (TextFieldObject* f : fields) {
        try {
            f->pullVariable(vm);
        } catch (ScriptThrow&) {
        } catch (ScriptAbort&) {
        }
    }
}

} // namespace reelcase::swf::avm1
