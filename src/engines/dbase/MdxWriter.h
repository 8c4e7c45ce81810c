#pragma once
// Writes a production index (.mdx) from tags whose keys come in walk order,
// block by block in bounded memory, in the published layout: the file header
// and tag table, then for each tag its header block and its B-tree, leaves
// filled in order and each branch written as soon as its children are. The
// file is made unnamed beside its place (or under a temporary name where the
// file system cannot), synced, and renamed over the old one when whole, so a
// reader or a crash finds the old index or the new one, never part of either.

#include "engines/dbase/DbaseEngine.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace dbase {

class CMdxWriter {
public:
    // `stamp` is the data file's change counter the index goes with.
    CMdxWriter(std::string path, std::string tableName, uint32_t stamp);
    ~CMdxWriter();   // an unfinished file goes
    CMdxWriter(const CMdxWriter&) = delete;
    CMdxWriter& operator=(const CMdxWriter&) = delete;

    bool Open();
    bool BeginTag(const TagDefinition& definition, char keyType, int keyLength);
    // A key in its stored form (keyLength bytes: text, BCD number or date
    // double), after every key that sorts before it.
    bool Add(std::string_view stored, uint32_t recNo);
    bool EndTag();
    // Writes the header with `coverage` (the data records the keys come from)
    // and the clean mark, syncs, and puts the file in its place.
    bool Finish(uint32_t coverage);

private:
    using Block = std::array<unsigned char, 1024>;
    struct Child {
        uint32_t page;
        std::string lastKey;
    };
    uint32_t Append(const Block& b);
    bool Flush();
    bool EmitLeaf();
    // Adds a child to the branch being filled at `level`, writing the branch
    // when it is full.
    bool AddChild(size_t level, Child child);
    bool EmitBranch(size_t level);

    std::string m_path, m_tableName;
    uint32_t m_stamp;
    int m_fd = -1;
    std::string m_tempName;   // when the file could not be made unnamed
    bool m_done = false;
    bool m_ok = true;
    std::vector<unsigned char> m_head;   // blocks 0-2: the file header and the tag table
    std::vector<Block> m_tagHeads;
    std::vector<uint32_t> m_tagPages, m_keyCounts;
    uint32_t m_nextPage = 0;   // 512-byte pages, as block numbers count
    std::vector<unsigned char> m_out;   // blocks waiting to be written, from m_outPage
    uint32_t m_outPage = 0;

    // The tag being written.
    int m_keyLength = 0, m_itemLength = 0, m_maxKeys = 0;
    Block m_leaf{};
    uint32_t m_inLeaf = 0;
    bool m_anyLeaf = false;
    std::string m_lastKey;
    std::vector<std::vector<Child>> m_levels;   // branches being filled, leaves' parents first
    std::vector<bool> m_levelWritten;   // a branch of the level has been written
};

}   // namespace dbase
