#include "table/Table.h"

#include "table/Failure.h"
#include "table/HugePages.h"
#include "table/Numbers.h"
#include "table/Windows1252.h"

#include <algorithm>
#include <array>
#include <limits>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <stdexcept>

namespace quorvel::table {

namespace {

// For the row index of a large table, which a vector would otherwise grow in small pages.
template<typename T>
struct HugeAllocator
{
    using value_type = T;
    HugeAllocator() = default;
    template<typename U>
    HugeAllocator(const HugeAllocator<U>&) {}
    T* allocate(std::size_t n)
    {
        // Huge pages from an eighth of one on: a small index grows in plain memory.
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kHugePage / 8) {
            void* p = std::malloc(bytes);
            if (!p)
                throw std::bad_alloc();
            return static_cast<T*>(p);
        }
        return static_cast<T*>(allocateLarge(std::max(bytes, kHugePage)));
    }
    void deallocate(T* p, std::size_t) { std::free(p); }
    friend bool operator==(const HugeAllocator&, const HugeAllocator&) { return true; }
};

} // namespace

// Stored rows, each packed into a run of bytes: a null bitmap, then per field a length byte and
// the text's bytes, a variable-length integer (whole and fixed-point numbers, zigzag coded, one
// to ten bytes), or the eight bytes of a double. The runs live in large blocks, so a row costs
// its bytes and one pointer, not an allocation. A replaced or deleted row's bytes stay in their
// block until the table is emptied: edits by hand are few, imports only append.
class Table::Rows
{
public:
    explicit Rows(const std::vector<FieldDef>& fields) : m_fields(fields) {}

    int size() const { return static_cast<int>(m_rows.size()); }

    template<typename Values>
    void insert(int at, const Values& values)
    {
        const std::uint8_t* row = pack(values);
        if (at == size())
            m_rows.push_back(row);
        else
            m_rows.insert(m_rows.begin() + at, row);
    }
    void replace(int at, const std::vector<Value>& values) { m_rows[static_cast<std::size_t>(at)] = pack(values); }
    void erase(int at) { m_rows.erase(m_rows.begin() + at); }
    void clear()
    {
        m_rows.clear();
        m_rows.shrink_to_fit();
        m_blocks.clear();
        m_free = 0;
    }

    /// Every field of a row, in one pass over its bytes.
    void unpack(int at, std::vector<Value>& values) const
    {
        const std::uint8_t* row = m_rows[static_cast<std::size_t>(at)];
        const std::uint8_t* p = row + bitmapBytes();
        for (std::size_t f = 0; f < m_fields.size(); ++f) {
            decodeField(row, f, p, values[f]);
            p = skip(f, p);
        }
    }

    Value read(int at, int field) const
    {
        Value v;
        read(at, field, v);
        return v;
    }

    void read(int at, int field, Value& v) const
    {
        const std::uint8_t* row = m_rows[static_cast<std::size_t>(at)];
        auto f = static_cast<std::size_t>(field);
        const std::uint8_t* p = row + bitmapBytes();
        for (std::size_t i = 0; i < f; ++i)
            p = skip(i, p);
        decodeField(row, f, p, v);
    }

private:
    static constexpr std::size_t kFirstBlockSize = std::size_t{64} << 10;
    static constexpr std::size_t kBlockSize = std::size_t{4} << 20;
    struct FreeBlock
    {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    using Block = std::unique_ptr<std::uint8_t[], FreeBlock>;

    static Block newBlock(std::size_t size) { return Block(static_cast<std::uint8_t*>(allocateLarge(size))); }

    std::size_t bitmapBytes() const { return (m_fields.size() + 7) / 8; }

    /// Field `f` of `row`, whose bytes start at `p`.
    void decodeField(const std::uint8_t* row, std::size_t f, const std::uint8_t* p, Value& v) const
    {
        v.null = (row[f / 8] >> (f % 8)) & 1u;
        v.text.clear();
        v.number = 0;
        v.real = 0;
        if (v.null)
            return;
        switch (m_fields[f].type) {
        case FieldType::Text:
            v.text.assign(reinterpret_cast<const char*>(p + 1), p[0]);
            break;
        case FieldType::Currency:
            std::memcpy(&v.real, p, 8);
            break;
        default:
            v.number = decode(p);
            break;
        }
    }

    static std::int64_t decode(const std::uint8_t* p)
    {
        std::uint64_t zigzag = 0;
        for (int shift = 0;; shift += 7) {
            zigzag |= static_cast<std::uint64_t>(*p & 0x7Fu) << shift;
            if ((*p++ & 0x80u) == 0)
                break;
        }
        return static_cast<std::int64_t>(zigzag >> 1) ^ -static_cast<std::int64_t>(zigzag & 1);
    }

    static std::uint64_t zigzag(std::int64_t n)
    {
        return (static_cast<std::uint64_t>(n) << 1) ^ static_cast<std::uint64_t>(n >> 63);
    }
    const std::uint8_t* skip(std::size_t field, const std::uint8_t* p) const
    {
        switch (m_fields[field].type) {
        case FieldType::Text:
            return p + 1 + p[0];
        case FieldType::Currency:
            return p + 8;
        default:
            while (*p & 0x80u)
                ++p;
            return p + 1;
        }
    }

    // Room for `bound` bytes at the end of the last block; the caller then keeps what it used.
    std::uint8_t* reserve(std::size_t bound)
    {
        if (m_blocks.empty() || m_free < bound) {
            // Small tables stay small; past their first block, tables grow by huge pages.
            std::size_t blockSize = m_blocks.empty() ? kFirstBlockSize : kBlockSize;
            blockSize = std::max(bound, blockSize);
            m_blocks.push_back(newBlock(blockSize));
            m_free = blockSize;
            m_next = m_blocks.back().get();
        }
        return m_next;
    }
    void commit(const std::uint8_t* end)
    {
        auto used = static_cast<std::size_t>(end - m_next);
        m_next += used;
        m_free -= used;
    }

    // One pass: the row is written into room for its longest form, then only its bytes are kept.
    // Values: Value or ValueView; texts are cut to their fields' widths.
    template<typename Values>
    const std::uint8_t* pack(const Values& values)
    {
        const std::size_t fields = m_fields.size();
        std::size_t bound = bitmapBytes();
        for (std::size_t f = 0; f < fields; ++f)
            bound += m_fields[f].type == FieldType::Text ? 1 + std::min(values[f].text.size(), static_cast<std::size_t>(m_fields[f].width)) : 10;
        std::uint8_t* row = reserve(bound);
        std::memset(row, 0, bitmapBytes());
        std::uint8_t* p = row + bitmapBytes();
        for (std::size_t f = 0; f < fields; ++f) {
            const auto& v = values[f];
            if (v.null)
                row[f / 8] = static_cast<std::uint8_t>(row[f / 8] | (1u << (f % 8)));
            switch (m_fields[f].type) {
            case FieldType::Text: {
                std::size_t n = v.null ? 0 : std::min(v.text.size(), static_cast<std::size_t>(m_fields[f].width));
                *p = static_cast<std::uint8_t>(n);
                std::memcpy(p + 1, v.text.data(), n);
                p += 1 + n;
                break;
            }
            case FieldType::Currency:
                std::memcpy(p, &v.real, 8);
                p += 8;
                break;
            default:
                for (std::uint64_t u = zigzag(v.null ? 0 : v.number); ; u >>= 7) {
                    if (u < 0x80) {
                        *p++ = static_cast<std::uint8_t>(u);
                        break;
                    }
                    *p++ = static_cast<std::uint8_t>(u | 0x80);
                }
                break;
            }
        }
        commit(p);
        return row;
    }

    const std::vector<FieldDef>& m_fields;
    std::vector<const std::uint8_t*, HugeAllocator<const std::uint8_t*>> m_rows;
    std::vector<Block> m_blocks;
    std::uint8_t* m_next = nullptr;
    std::size_t m_free = 0;
};

namespace {

// The first amount, in units, that a fixed-point field has no room for.
std::int64_t fixedLimit(const FieldDef& def)
{
    static constexpr auto kPowers = [] {
        std::array<std::int64_t, 19> p{};
        std::int64_t v = 1;
        for (auto& x : p) {
            x = v;
            v = v < std::numeric_limits<std::int64_t>::max() / 10 ? v * 10 : v;
        }
        return p;
    }();
    return kPowers[static_cast<std::size_t>(std::clamp(def.precision, 0, 18))];
}

} // namespace

struct Table::Pending
{
    std::vector<Value> values;
};

Table::Table(QString name, std::vector<FieldDef> fields)
    : m_name(std::move(name)), m_fields(std::move(fields)), m_rows(std::make_unique<Rows>(m_fields)),
      m_pending(std::make_unique<Pending>())
{
    m_pending->values.resize(m_fields.size());
    for (std::size_t f = 0; f < m_fields.size(); ++f) {
        if (m_fields[f].type == FieldType::Text && (m_fields[f].width < 0 || m_fields[f].width > 255))
            throw std::invalid_argument("text field width must be 0 to 255");
        if (m_fields[f].required)
            m_required.push_back(f);
    }
}

Table::~Table() = default;

int Table::fieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const std::string& f = m_fields[i].name;
        if (f.size() == name.size()
            && std::equal(f.begin(), f.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               }))
            return static_cast<int>(i);
    }
    return -1;
}

void Table::notifyObservers(Change::Kind kind, int row, int field)
{
    const Change change{kind, row, field};
    // Those subscribed when the change happened hear of it, even one that unsubscribes while
    // another is called; one that subscribes meanwhile does not. While any notification is under
    // way m_observers keeps still (joins wait in m_joining, leaves in m_leaving), so its entries
    // are called in place: an import notifies about a dozen times a row.
    const std::size_t count = m_observers.size();
    const std::size_t joined = m_joining.size();
    const std::uint64_t serial = ++m_notificationSerial;
    ++m_notifying;
    try {
        for (std::size_t i = 0; i < count; ++i)
            if (m_leaving.empty() || !leftBefore(m_observers[i].first, serial))
                m_observers[i].second(change);
        for (std::size_t i = 0; i < joined; ++i)
            if (!leftBefore(m_joining[i].first, serial)) {
                const Observer observer = m_joining[i].second;   // m_joining may grow meanwhile
                observer(change);
            }
    } catch (...) {
        endNotifying();
        throw;
    }
    endNotifying();
}

bool Table::leftBefore(int id, std::uint64_t serial) const
{
    for (const auto& [leaving, lastHeard] : m_leaving)
        if (leaving == id)
            return lastHeard < serial;
    return false;
}

void Table::settleSubscriptions()
{
    if (!m_leaving.empty()) {
        const auto left = [this](const auto& entry) {
            return std::any_of(m_leaving.begin(), m_leaving.end(), [&](const auto& l) { return l.first == entry.first; });
        };
        std::erase_if(m_observers, left);
        std::erase_if(m_joining, left);
        m_leaving.clear();
    }
    for (auto& entry : m_joining)
        m_observers.push_back(std::move(entry));
    m_joining.clear();
}

int Table::subscribe(Observer observer)
{
    auto& list = m_notifying > 0 ? m_joining : m_observers;
    list.emplace_back(m_nextObserver, std::move(observer));
    return m_nextObserver++;
}

void Table::unsubscribe(int id)
{
    if (m_notifying > 0) {
        // Notifications already under way still reach it; later ones do not.
        m_leaving.emplace_back(id, m_notificationSerial);
        return;
    }
    std::erase_if(m_observers, [id](const auto& entry) { return entry.first == id; });
}

void Table::first()
{
    resolvePending();
    m_current = m_rows->size() > 0 ? 0 : -1;
    m_atEnd = m_rows->size() == 0;
    notify(Change::Kind::Moved, m_current);
}

void Table::next()
{
    resolvePending();
    if (m_current + 1 < m_rows->size()) {
        ++m_current;
        m_atEnd = false;
    } else {
        m_atEnd = true;
    }
    notify(Change::Kind::Moved, m_current);
}

void Table::prior()
{
    resolvePending();
    if (m_current > 0)
        --m_current;
    m_atEnd = m_rows->size() == 0;
    notify(Change::Kind::Moved, m_current);
}

void Table::last()
{
    resolvePending();
    m_current = m_rows->size() - 1;
    m_atEnd = m_rows->size() == 0;
    notify(Change::Kind::Moved, m_current);
}

void Table::moveTo(int row)
{
    // A move onto the pending row itself changes nothing.
    if (isPending() && row == m_current)
        return;
    // Resolving an unchanged new row above the target shifts the target up by one.
    bool dropsRowAbove = m_state == State::Inserting && !m_modified && m_current < row;
    resolvePending();
    if (dropsRowAbove)
        --row;
    m_current = std::clamp(row, m_rows->size() > 0 ? 0 : -1, m_rows->size() - 1);
    m_atEnd = m_rows->size() == 0;
    notify(Change::Kind::Moved, m_current);
}

void Table::beginRow(int position)
{
    m_beforeInsert = m_current;
    // The pending values keep their buffers from row to row.
    for (Value& v : m_pending->values) {
        v.null = true;
        v.text.clear();
        v.number = 0;
        v.real = 0;
    }
    m_state = State::Inserting;
    m_modified = false;
    m_current = position;
    m_atEnd = false;
    notify(Change::Kind::RowBegun, m_current);
}

void Table::append()
{
    resolvePending();
    beginRow(m_rows->size());
}

void Table::insert()
{
    resolvePending();
    beginRow(m_current < 0 ? 0 : m_current);
}

void Table::edit()
{
    if (isPending())
        return;
    requireCurrent();
    m_rows->unpack(m_current, m_pending->values);
    m_state = State::Editing;
    m_modified = false;
    notify(Change::Kind::EditBegun, m_current);
}

void Table::store()
{
    if (!isPending())
        return;
    for (std::size_t f : m_required) {
        const Value& v = m_pending->values[f];
        if (v.null || (m_fields[f].type == FieldType::Text && v.text.empty()))
            throw MissingValue(QStringLiteral("Field '%1' must have a value").arg(QString::fromStdString(m_fields[f].name)),
                               *this, static_cast<int>(f));
    }
    if (m_state == State::Inserting)
        m_rows->insert(m_current, m_pending->values);
    else
        m_rows->replace(m_current, m_pending->values);
    m_storedRows = m_rows->size();
    m_state = State::Browsing;
    m_modified = false;
    notify(Change::Kind::RowStored, m_current);
}

void Table::abandon()
{
    if (!isPending())
        return;
    int row = m_current;
    bool wasNew = m_state == State::Inserting;
    m_state = State::Browsing;
    m_modified = false;
    if (wasNew) {
        int back = m_beforeInsert;
        // The row that was current moved down by one when the new row went in before it.
        if (back >= row && back >= 0)
            back = row;
        m_current = std::min(back < 0 ? 0 : back, m_rows->size() - 1);
        m_atEnd = m_rows->size() == 0;
    }
    notify(Change::Kind::RowAbandoned, row);
}

void Table::resolvePending()
{
    if (!isPending())
        return;
    if (m_modified)
        store();
    else
        abandon();
}

void Table::remove()
{
    if (m_state == State::Inserting) {
        abandon();
        return;
    }
    if (m_rows->size() == 0)
        failEmpty();
    int row = m_current;
    m_state = State::Browsing;
    m_modified = false;
    m_rows->erase(row);
    m_storedRows = m_rows->size();
    m_current = std::min(row, m_rows->size() - 1);
    m_atEnd = m_rows->size() == 0;
    notify(Change::Kind::RowDeleted, row);
}

void Table::clear()
{
    resolvePending();
    m_rows->clear();
    m_storedRows = 0;
    m_current = -1;
    m_atEnd = true;
    notify(Change::Kind::Emptied);
}

void Table::failEmpty() const
{
    throw Failure(QStringLiteral("%1: %2").arg(m_name, QStringLiteral("Cannot perform this operation on an empty dataset")));
}

void Table::requireCurrent() const
{
    if (m_current < 0)
        failEmpty();
}

void Table::failNoField()
{
    throw std::out_of_range("no such field");
}

void Table::setText(int field, std::string_view text)
{
    checkField(field);
    const FieldDef& def = m_fields[static_cast<std::size_t>(field)];
    if (def.type != FieldType::Text) {
        setNumberText(field, text);
        return;
    }
    beginEditIfBrowsing();
    Value& v = m_pending->values[static_cast<std::size_t>(field)];
    v.null = text.empty();
    v.number = 0;
    v.real = 0;
    v.text.assign(text.data(), std::min(text.size(), static_cast<std::size_t>(def.width)));
    m_modified = true;
    notify(Change::Kind::FieldSet, m_current, field);
}

void Table::setNumberText(int field, std::string_view text)
{
    const FieldDef& def = m_fields[static_cast<std::size_t>(field)];
    auto fail = [&](const char* pattern) {
        throw Failure(QString::fromLatin1(pattern).arg(fromWindows1252(text), QString::fromStdString(def.name)));
    };
    // Numbers are converted before anything changes, so a bad text leaves the row as it was.
    std::int64_t number = 0;
    double real = 0;
    if (!text.empty()) {
        switch (def.type) {
        case FieldType::Text:
            break;   // taken by setText
        case FieldType::Integer: {
            auto n = parseInteger(text);
            if (!n)
                fail("'%1' is not a valid integer value for field '%2'");
            number = *n;
            break;
        }
        case FieldType::Fixed: {
            auto units = parseFixed(text, decimalSeparator(), def.scale);
            std::int64_t limit = fixedLimit(def);
            if (!units || *units >= limit || *units <= -limit)
                fail("'%1' is not a valid floating point value for field '%2'");
            number = *units;
            break;
        }
        case FieldType::Currency: {
            auto d = parseDouble(text, decimalSeparator());
            if (!d)
                fail("'%1' is not a valid floating point value for field '%2'");
            real = *d;
            break;
        }
        }
    }
    beginEditIfBrowsing();
    Value& v = m_pending->values[static_cast<std::size_t>(field)];
    v.null = text.empty();
    v.number = number;
    v.real = real;
    v.text.clear();
    m_modified = true;
    notify(Change::Kind::FieldSet, m_current, field);
}

void Table::setInteger(int field, std::int32_t value)
{
    checkField(field);
    const FieldDef& def = m_fields[static_cast<std::size_t>(field)];
    if (def.type == FieldType::Text) {
        setText(field, std::to_string(value));
        return;
    }
    beginEditIfBrowsing();
    Value& v = m_pending->values[static_cast<std::size_t>(field)];
    v = Value{};
    v.null = false;
    if (def.type == FieldType::Currency) {
        v.real = value;
    } else if (def.type == FieldType::Fixed) {
        // The field holds units of 10^-scale.
        std::int64_t units = value;
        for (int i = 0; i < def.scale; ++i)
            units *= 10;
        v.number = units;
    } else {
        v.number = value;
    }
    m_modified = true;
    notify(Change::Kind::FieldSet, m_current, field);
}

void Table::setCurrency(int field, double value)
{
    checkField(field);
    beginEditIfBrowsing();
    Value& v = m_pending->values[static_cast<std::size_t>(field)];
    v = Value{};
    v.null = false;
    v.real = value;
    m_modified = true;
    notify(Change::Kind::FieldSet, m_current, field);
}

bool Table::trySetFixedUnits(int field, std::int64_t units)
{
    checkField(field);
    const FieldDef& def = m_fields[static_cast<std::size_t>(field)];
    if (def.type != FieldType::Fixed)
        throw std::invalid_argument("not a fixed-point field");
    std::int64_t limit = fixedLimit(def);
    if (units >= limit || units <= -limit)
        return false;
    beginEditIfBrowsing();
    Value& v = m_pending->values[static_cast<std::size_t>(field)];
    v.null = false;
    v.text.clear();
    v.number = units;
    v.real = 0;
    m_modified = true;
    notify(Change::Kind::FieldSet, m_current, field);
    return true;
}

bool Table::tryAppendRow(std::span<const ValueView> values)
{
    if (isPending() || !m_observers.empty() || values.size() != m_fields.size())
        return false;
    for (std::size_t f : m_required) {
        const ValueView& v = values[f];
        if (v.null || (m_fields[f].type == FieldType::Text && (v.text.empty() || m_fields[f].width == 0)))
            return false;
    }
    for (std::size_t f = 0; f < values.size(); ++f) {
        const FieldDef& def = m_fields[f];
        const ValueView& v = values[f];
        if (def.type == FieldType::Text) {
            if (v.null != v.text.empty())
                return false;
        } else if (!v.text.empty()) {
            return false;
        } else if (def.type == FieldType::Fixed) {
            const std::int64_t limit = fixedLimit(def);
            if (v.number >= limit || v.number <= -limit)
                return false;
        } else if (def.type == FieldType::Integer) {
            if (v.number < std::numeric_limits<std::int32_t>::min() || v.number > std::numeric_limits<std::int32_t>::max())
                return false;
        }
    }
    m_rows->insert(m_rows->size(), values);
    m_storedRows = m_rows->size();
    m_beforeInsert = m_current;
    m_current = m_rows->size() - 1;
    m_atEnd = false;
    m_modified = false;
    return true;
}

void Table::setNull(int field)
{
    checkField(field);
    beginEditIfBrowsing();
    m_pending->values[static_cast<std::size_t>(field)] = Value{};
    m_modified = true;
    notify(Change::Kind::FieldSet, m_current, field);
}

const Value* Table::pendingValue(int row, int field) const
{
    if (isPending() && row == m_current)
        return &m_pending->values[static_cast<std::size_t>(field)];
    return nullptr;
}

namespace {
int storedIndex(int row, int pendingNewRow)
{
    return pendingNewRow >= 0 && row > pendingNewRow ? row - 1 : row;
}
} // namespace

bool Table::isNullAt(int row, int field) const
{
    if (row < 0 || row >= rowCount())
        return true;
    checkField(field);
    if (const Value* v = pendingValue(row, field))
        return v->null;
    return m_rows->read(storedIndex(row, m_state == State::Inserting ? m_current : -1), field).null;
}

void Table::values(int row, std::vector<Value>& out) const
{
    out.resize(m_fields.size());
    if (row < 0 || row >= rowCount()) {
        for (Value& v : out)
            v = Value{};
        return;
    }
    if (isPending() && row == m_current)
        out = m_pending->values;
    else
        m_rows->unpack(storedIndex(row, m_state == State::Inserting ? m_current : -1), out);
}

std::string Table::textAt(int row, int field) const
{
    if (row < 0 || row >= rowCount())
        return {};
    checkField(field);
    const Value* p = pendingValue(row, field);
    Value stored;
    if (!p) {
        stored = m_rows->read(storedIndex(row, m_state == State::Inserting ? m_current : -1), field);
        p = &stored;
    }
    if (p->null)
        return {};
    const FieldDef& def = m_fields[static_cast<std::size_t>(field)];
    switch (def.type) {
    case FieldType::Text:
        return p->text;
    case FieldType::Integer:
        return std::to_string(p->number);
    case FieldType::Fixed:
        return formatFixed(p->number, def.scale, decimalSeparator());
    case FieldType::Currency:
        return formatGeneral(p->real, decimalSeparator());
    }
    return {};
}

std::int32_t Table::integerAt(int row, int field) const
{
    if (isNullAt(row, field))
        return 0;
    const Value* p = pendingValue(row, field);
    Value v = p ? *p : m_rows->read(storedIndex(row, m_state == State::Inserting ? m_current : -1), field);
    if (m_fields[static_cast<std::size_t>(field)].type == FieldType::Currency)
        return static_cast<std::int32_t>(v.real);
    return static_cast<std::int32_t>(v.number);
}

double Table::currencyAt(int row, int field) const
{
    if (isNullAt(row, field))
        return 0;
    const Value* p = pendingValue(row, field);
    Value v = p ? *p : m_rows->read(storedIndex(row, m_state == State::Inserting ? m_current : -1), field);
    return v.real;
}

std::int64_t Table::fixedUnitsAt(int row, int field) const
{
    if (isNullAt(row, field))
        return 0;
    const Value* p = pendingValue(row, field);
    Value v = p ? *p : m_rows->read(storedIndex(row, m_state == State::Inserting ? m_current : -1), field);
    return v.number;
}

} // namespace quorvel::table
