// CDbaseTable: tags and their in-memory indexes, and the .mdx written from them.
#include "engines/dbase/DbaseTable.h"

#include "engines/dbase/KeyExpression.h"
#include "engines/dbase/TableFiles.h"
#include "platform/LocaleFreeNumbers.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace dbase {

// ------------------------------------------------------------------ tags

int CDbaseTag::KeyLength() const { return m_keyType == 'C' ? m_charLength : m_keyType == 'N' ? 12 : 8; }

std::vector<std::pair<std::string, int32_t>> CDbaseTag::Keys() const
{
    std::vector<std::pair<std::string, int32_t>> r;
    r.reserve(m_entries.size());
    for (const Entry& e : m_entries) {
        if (m_keyType == 'C') {
            r.emplace_back(e.key, e.recNo);
        } else {
            r.emplace_back(platform::FormatC("%.10g", DoubleFromSortable(e.key)), e.recNo);
        }
    }
    return r;
}

int CDbaseTable::AddTag(const TagSpec& given)
{
    TagSpec tagDef = given;
    tagDef.name = StoredName(tagDef.name);
    if (tagDef.name.empty() || Tag(tagDef.name) || m_tags.size() >= 47)
        return Fail(kErrTag, 50);
    std::vector<FieldSlot> slots;
    for (auto& f : m_fields)
        slots.push_back({f->Name(), f->Type(), f->Width(), f->Decimals(), f->m_offset});
    auto tag = std::make_unique<CDbaseTag>();
    tag->m_spec = tagDef;
    tag->m_expr = CKeyExpression::Parse(tagDef.expression, slots);
    if (!tag->m_expr || tag->m_expr->Type() == 'L')
        return Fail(kErrExpression, 51);
    tag->m_keyType = tag->m_expr->Type();
    tag->m_charLength = tag->m_expr->Length();
    if (tag->m_keyType == 'C' && (tag->m_charLength < 1 || tag->m_charLength > 100))
        return Fail(kErrExpression, 52);
    if (!tagDef.filter.empty()) {
        tag->m_filter = CKeyExpression::Parse(tagDef.filter, slots);
        if (!tag->m_filter || tag->m_filter->Type() != 'L')
            return Fail(kErrExpression, 53);
    }
    m_tags.push_back(std::move(tag));
    m_indexDirty = true;
    return 0;
}

std::optional<std::string> CDbaseTable::KeyOf(const CDbaseTag& tag, const char* record) const
{
    if (tag.m_filter && !tag.m_filter->EvalLogical(record))
        return std::nullopt;
    switch (tag.m_keyType) {
    case 'N': return SortableDouble(tag.m_expr->EvalNumber(record));
    case 'D': return SortableDouble(JulianDay(tag.m_expr->EvalText(record)).value_or(0));
    default: return tag.m_expr->EvalText(record);
    }
}

void CDbaseTable::BuildIndexes()
{
    for (auto& tag : m_tags) {
        std::vector<CDbaseTag::Entry> entries;
        entries.reserve(size_t(m_recCount));
        for (int32_t r = 1; r <= m_recCount; ++r)
            if (auto key = KeyOf(*tag, RecordAt(r)))
                entries.push_back({std::move(*key), r});
        std::sort(entries.begin(), entries.end());
        tag->m_entries.clear();
        for (auto& e : entries)
            tag->m_entries.emplace_hint(tag->m_entries.end(), std::move(e));
    }
}

void CDbaseTable::IndexRecord(int32_t recNo, const char* oldImage, const char* newImage)
{
    for (auto& tag : m_tags) {
        std::optional<std::string> oldKey = oldImage ? KeyOf(*tag, oldImage) : std::nullopt;
        std::optional<std::string> newKey = KeyOf(*tag, newImage);
        if (oldKey == newKey)
            continue;
        if (oldKey)
            tag->m_entries.erase({*oldKey, recNo});
        if (newKey)
            tag->m_entries.insert({std::move(*newKey), recNo});
        m_indexDirty = true;
    }
}

CDbaseTag* CDbaseTable::Tag(std::string_view name)
{
    const std::string n = StoredName(name);
    for (auto& t : m_tags)
        if (t->Name() == n)
            return t.get();
    return nullptr;
}

CDbaseTag* CDbaseTable::NextTag(CDbaseTag* tag)
{
    if (!tag)
        return m_tags.empty() ? nullptr : m_tags.front().get();
    for (size_t i = 0; i + 1 < m_tags.size(); ++i)
        if (m_tags[i].get() == tag)
            return m_tags[i + 1].get();
    return nullptr;
}

void CDbaseTable::Select(CDbaseTag* tag) { m_selected = tag; }

std::vector<TagSpec> CDbaseTable::TagSpecs() const
{
    std::vector<TagSpec> r;
    for (auto& t : m_tags)
        r.push_back(t->m_spec);
    return r;
}

int CDbaseTable::WriteMdx()
{
    if (m_readOnly)
        return 0;
    std::vector<MdxTagImage> images;
    for (auto& t : m_tags) {
        MdxTagImage img;
        img.tagDef = t->m_spec;
        img.keyType = t->m_keyType;
        img.keyLength = t->KeyLength();
        img.keys.reserve(t->m_entries.size());
        for (const CDbaseTag::Entry& e : t->m_entries) {
            std::string stored;
            if (t->m_keyType == 'N') {
                stored = BcdKey(DoubleFromSortable(e.key));
            } else if (t->m_keyType == 'D') {
                const double jd = DoubleFromSortable(e.key);
                stored.assign(reinterpret_cast<const char*>(&jd), 8);  // little-endian IEEE double
            } else {
                stored = e.key;
            }
            img.keys.emplace_back(std::move(stored), uint32_t(e.recNo));
        }
        images.push_back(std::move(img));
    }
    const size_t slash = m_path.find_last_of('/');
    const std::string name = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    if (!WriteMdxFile(m_mdxPath, name, m_counter, images))
        return Fail(kErrWrite, 55);
    m_indexDirty = false;
    // Mark the data file as having a production index.
    if (!m_tags.empty()) {
        const char one = 1;
        WriteAll(m_fd, &one, 1, 28);
    }
    return 0;
}

int CDbaseTable::Reindex(const std::vector<TagSpec>& tags)
{
    if (m_readOnly)
        return Fail(kErrWrite, 56);
    if (int rc = Flush(); rc != 0)
        return rc;
    m_selected = nullptr;
    m_tags.clear();
    for (const TagSpec& t : tags) {
        if (int rc = AddTag(t); rc != 0) {
            m_tags.clear();
            return rc;
        }
    }
    BuildIndexes();
    return WriteMdx();
}

int CDbaseTable::FlushIndex()
{
    if (int rc = Flush(); rc != 0)
        return rc;
    return m_indexDirty ? WriteMdx() : 0;
}

}  // namespace dbase
