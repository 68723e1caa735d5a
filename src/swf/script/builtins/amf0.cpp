#include "swf/script/builtins/amf0.h"

#include <QHash>
#include <QtEndian>

#include <cstring>

namespace reelcase::swf::avm1::builtins {
namespace {

enum Marker : char {
    Number = 0x00,
    Boolean = 0x01,
    String = 0x02,
    ObjectStart = 0x03,
    NullValue = 0x05,
    UndefinedValue = 0x06,
    Reference = 0x07,
    EcmaArray = 0x08,
    ObjectEnd = 0x09,
    Date = 0x0B,
    LongString = 0x0C,
    Xml = 0x0F,
    TypedObject = 0x10
};

// Structures deeper than this are stored as undefined and refused when read.
constexpr int kMaxDepth = 64;

class Writer {
public:
    explicit Writer(Vm& vm)
        : m_vm(vm) {}

    void u8(char c) { out += c; }
    void u16(quint16 v) {
        const quint16 be = qToBigEndian(v);
        out.append(reinterpret_cast<const char*>(&be), 2);
    }
    void u32(quint32 v) {
        const quint32 be = qToBigEndian(v);
        out.append(reinterpret_cast<const char*>(&be), 4);
    }
    void number(double d) {
        quint64 bits;
        std::memcpy(&bits, &d, 8);
        bits = qToBigEndian(bits);
        out.append(reinterpret_cast<const char*>(&bits), 8);
    }
    void name(const QString& s) {
        const QByteArray utf8 = s.toUtf8().left(0xFFFF);
        u16(static_cast<quint16>(utf8.size()));
        out += utf8;
    }
    void text(const QString& s) {
        const QByteArray utf8 = s.toUtf8();
        if (utf8.size() <= 0xFFFF) {
            u8(String);
            u16(static_cast<quint16>(utf8.size()));
        } else {
            u8(LongString);
            u32(static_cast<quint32>(utf8.size()));
        }
        out += utf8;
    }

    // The enumerable own members that can be stored, oldest first.
    std::vector<std::pair<QString, Value>> storable(Object* o) {
        std::vector<QString> names;
        for (const Property& p : o->properties())
            if (!(p.flags & DontEnum))
                names.push_back(p.name);
        std::vector<std::pair<QString, Value>> out;
        for (const QString& n : names) {
            const Value v = m_vm.getMember(Value(o), n);
            const Object* member = objectOf(v);
            if (!member || member->kind() != Kind::Function)
                out.emplace_back(n, v);
        }
        return out;
    }

    void members(Object* o, int depth) {
        for (const auto& [n, v] : storable(o)) {
            name(n);
            value(v, depth + 1);
        }
    }

    void value(const Value& v, int depth) {
        switch (typeOf(v)) {
        case TypeUndefined:
            return u8(UndefinedValue);
        case TypeNull:
            return u8(NullValue);
        case TypeBool:
            u8(Boolean);
            return u8(std::get<bool>(v) ? 1 : 0);
        case TypeNumber:
            u8(Number);
            return number(std::get<double>(v));
        case TypeString:
            return text(std::get<QString>(v));
        case TypeObject:
            break;
        }
        Object* o = objectOf(v);
        if (depth > kMaxDepth || o->kind() == Kind::Clip || o->kind() == Kind::TextField)
            return u8(UndefinedValue);
        if (auto it = m_seen.constFind(o); it != m_seen.constEnd()) {
            u8(Reference);
            return u16(static_cast<quint16>(*it));
        }
        if (typeOf(o->primitive) == TypeNumber && m_vm.instanceOf(v, date())) {
            u8(Date);
            number(std::get<double>(o->primitive));
            return u16(0);
        }
        if (o->kind() == Kind::XmlNode) {
            const QByteArray utf8 = m_vm.toString(v).toUtf8();
            u8(Xml);
            u32(static_cast<quint32>(utf8.size()));
            out += utf8;
            return;
        }
        m_seen.insert(o, m_seen.size());
        if (o->kind() == Kind::Array) {
            u8(EcmaArray);
            u32(static_cast<quint32>(
                std::max(0.0, m_vm.toNumber(m_vm.getMember(v, QStringLiteral("length"))))));
        } else {
            u8(ObjectStart);
        }
        members(o, depth);
        u16(0);
        u8(ObjectEnd);
    }

    QByteArray out;

private:
    Object* date() { return objectOf(m_vm.getMember(Value(m_vm.global), QStringLiteral("Date"))); }
    Vm& m_vm;
    QHash<Object*, int> m_seen;
};

class Reader {
public:
    Reader(Vm& vm, const QByteArray& in)
        : m_vm(vm)
        , m_in(in) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at >= m_in.size(); }
    qsizetype at() const { return m_at; }

    const char* take(qsizetype n) {
        if (!m_ok || n < 0 || m_in.size() - m_at < n) {
            m_ok = false;
            return nullptr;
        }
        const char* p = m_in.constData() + m_at;
        m_at += n;
        return p;
    }
    quint8 u8() {
        const char* p = take(1);
        return p ? static_cast<quint8>(*p) : 0;
    }
    quint16 u16() {
        const char* p = take(2);
        return p ? qFromBigEndian<quint16>(p) : 0;
    }
    quint32 u32() {
        const char* p = take(4);
        return p ? qFromBigEndian<quint32>(p) : 0;
    }
    double number() {
        const char* p = take(8);
        if (!p)
            return 0;
        const quint64 bits = qFromBigEndian<quint64>(p);
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    QString utf8(qsizetype n) {
        const char* p = take(n);
        return p ? QString::fromUtf8(p, n) : QString();
    }

    // Members up to the end marker onto o.
    void members(Object* o, int depth) {
        while (m_ok) {
            const QString n = utf8(u16());
            if (n.isEmpty()) {
                if (u8() != ObjectEnd)
                    m_ok = false;
                return;
            }
            const Value v = value(depth + 1);
            if (m_ok)
                m_vm.setMember(Value(o), n, v);
        }
    }

    Value value(int depth) {
        if (depth > kMaxDepth) {
            m_ok = false;
            return Undefined{};
        }
        switch (u8()) {
        case Number:
            return number();
        case Boolean:
            return u8() != 0;
        case String:
            return utf8(u16());
        case LongString:
            return utf8(u32());
        case NullValue:
            return Null{};
        case UndefinedValue:
            return Undefined{};
        case Reference: {
            const quint16 i = u16();
            if (i < m_objects.size())
                return m_objects[i];
            m_ok = false;
            return Undefined{};
        }
        case Date: {
            const double t = number();
            u16();
            Object* d = objectOf(m_vm.construct(global("Date"), {}));
            if (d)
                d->primitive = t;
            return d ? Value(d) : Value(Undefined{});
        }
        case Xml: {
            const Value text = utf8(u32());
            return m_vm.construct(global("XML"), std::span<const Value>(&text, 1));
        }
        case TypedObject:
            utf8(u16());
            [[fallthrough]];
        case ObjectStart: {
            Object* o = m_vm.newObject();
            m_objects.push_back(o);
            members(o, depth);
            return o;
        }
        case EcmaArray: {
            const quint32 length = u32();
            ArrayObject* a = m_vm.newArray();
            m_objects.push_back(a);
            members(a, depth);
            a->length = std::max(a->length, static_cast<int>(std::min<quint32>(
                                                length, quint32(m_vm.maxArrayLength()))));
            return a;
        }
        default:
            m_ok = false;
            return Undefined{};
        }
    }

private:
    Value global(const char* name) {
        return m_vm.getMember(Value(m_vm.global), QLatin1String(name));
    }
    Vm& m_vm;
    const QByteArray& m_in;
    qsizetype m_at = 0;
    bool m_ok = true;
    std::vector<Object*> m_objects;
};

constexpr char kSignature[] = "TCSO\x00\x04\x00\x00\x00\x00";

} // namespace

QByteArray encodeStoredObject(Vm& vm, const QString& name, Object* data) {
    Writer body(vm);
    body.out.append(kSignature, 10);
    body.name(name);
    body.u32(0); // AMF0
    for (const auto& [n, v] : body.storable(data)) {
        body.name(n);
        body.value(v, 1);
        body.u8(0);
    }
    Writer file(vm);
    file.u8(0x00);
    file.u8(static_cast<char>(0xBF));
    file.u32(static_cast<quint32>(body.out.size()));
    return file.out + body.out;
}

bool decodeStoredObject(Vm& vm, const QByteArray& file, Object* data) {
    Reader r(vm, file);
    r.u16();
    const quint32 length = r.u32();
    const char* signature = r.take(10);
    if (!r.ok() || !signature || std::memcmp(signature, kSignature, 4) != 0 ||
        length != static_cast<quint32>(file.size() - 6))
        return false;
    r.utf8(r.u16());
    r.u32();
    Object* read = vm.newObject();
    while (r.ok() && !r.atEnd()) {
        const QString n = r.utf8(r.u16());
        const Value v = r.value(1);
        r.u8();
        if (r.ok() && !n.isEmpty())
            read->put(n, v);
    }
    if (!r.ok())
        return false;
    for (const Property& p : read->properties())
        vm.setMember(Value(data), p.name, p.value);
    return true;
}

std::vector<Value> decodeAmf0Values(Vm& vm, const QByteArray& bytes) {
    Reader r(vm, bytes);
    std::vector<Value> values;
    while (!r.atEnd()) {
        const Value v = r.value(1);
        if (!r.ok())
            break;
        values.push_back(v);
    }
    return values;
}

} // namespace reelcase::swf::avm1::builtins
