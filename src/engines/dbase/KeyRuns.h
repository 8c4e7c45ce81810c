#pragma once
// Sorts fixed-size entries, compared as bytes, in bounded memory: entries
// gather in memory up to a budget; each full load is sorted and written as a
// run to an unnamed temporary file beside the table (it vanishes with the
// process, however that ends), and the runs are merged as the entries are
// taken out in order. A rebuild of the index of a table of any size sorts its
// keys this way.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dbase {

class CKeyRuns {
public:
    // `folder` takes the temporary file when the entries outgrow `memoryBytes`.
    CKeyRuns(size_t entryBytes, size_t memoryBytes, std::string folder);
    ~CKeyRuns();
    CKeyRuns(const CKeyRuns&) = delete;
    CKeyRuns& operator=(const CKeyRuns&) = delete;

    // False when a run could not be written.
    bool Add(const unsigned char* entry);
    // Gives every entry in byte order to `take`; false when a run could not
    // be read or `take` said false.
    bool Drain(const std::function<bool(const unsigned char*)>& take);
    size_t Runs() const { return m_runs.size(); }
    size_t Count() const { return m_count; }   // entries added

private:
    // The load's entries in order, as positions in it.
    std::vector<uint32_t> SortedLoad() const;
    bool WriteRun();

    struct Run {
        off_t at = 0;
        size_t count = 0;
    };
    size_t m_entryBytes;
    size_t m_limit;   // entries a load holds
    std::string m_folder;
    std::vector<unsigned char> m_load;
    std::vector<Run> m_runs;
    int m_fd = -1;
    off_t m_end = 0;
    size_t m_count = 0;
};

}   // namespace dbase
