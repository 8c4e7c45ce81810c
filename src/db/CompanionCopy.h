#pragma once
// Copying a table together with its companion folder ("<target>.X") onto a
// target that may already hold a table of that name, so that a copy that
// fails part way (a full disk) or is killed leaves what was there as it was.

#include <filesystem>
#include <functional>
#include <string>

namespace db {

// `copyFolder` fills a folder of the copy's own ("~x" + six characters +
// ".X" beside the target, reserved by a placeholder held locked while the
// copy goes on); then `copyTable` writes the table (a copy that is itself
// made whole before it takes the target's name); then the folder takes the
// companion folder's place, the old one stepping aside and then going.
// False, with a reason in `error` when one is known, when any step failed;
// a failure before the table's copy is in place leaves the target as it was.
bool CopyWithCompanions(const std::string& target,
                        const std::function<bool(const std::filesystem::path& folder)>& copyFolder,
                        const std::function<bool()>& copyTable, std::string* error = nullptr);

// Removes what such copies, and table copies (CDBInterface::CopyTo), killed
// part way left in `folder`: the sets whose placeholder no live program holds.
void RemoveDeadCopies(const std::filesystem::path& folder);

}   // namespace db
