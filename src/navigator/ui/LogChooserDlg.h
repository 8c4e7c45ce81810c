#pragma once
// The "Open" dialog of vessel logs: the logs of a folder as a tree. A log
// expands into its own vessel's groups and appends; the choice is a log, a
// vessel of it, or one append, and whether logging goes on in it. "Files of
// type" lists older logs instead, which opening converts into a vessel log.

#include <QDialog>

#include <cstdint>
#include <filesystem>

class QCheckBox;
class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace navigator {

class CLogChooserDlg final : public QDialog {
    Q_OBJECT
public:
    struct CChoice {
        std::filesystem::path log;
        bool vesselChosen = false;   // false: the whole log
        std::uint32_t vesselId = 0;
        std::uint32_t appendNo = 0;   // 0: every append of the vessel
        bool appendToLog = false;
    };

    CLogChooserDlg(const std::filesystem::path& folder, bool appendToLog,
                   QWidget* parent = nullptr);
    const CChoice& Choice() const { return m_choice; }
    QTreeWidget* Tree() const { return m_tree; }
    QComboBox* Types() const { return m_types; }
    // Fills a log's node (as expanding it does).
    void FillLog(QTreeWidgetItem* fileNode);
    void accept() override;

private:
    void FillFiles();

    std::filesystem::path m_folder;
    QTreeWidget* m_tree;
    QComboBox* m_types;
    QCheckBox* m_append;
    CChoice m_choice;
};

}   // namespace navigator
