#pragma once

#include <QString>

// An optional library beside the program (decoder add-ons, the
// visualisation drawer). Absent files are skipped without a word; nothing
// in this program calls into them, so being loaded is all that is kept.
class AddOnLibrary
{
public:
    AddOnLibrary() = default;
    ~AddOnLibrary();
    AddOnLibrary(const AddOnLibrary &) = delete;
    AddOnLibrary &operator=(const AddOnLibrary &) = delete;

    // requiredEntry, when given, must be exported for the add-on to count.
    bool load(const QString &folder, const char *fileName, const char *requiredEntry = nullptr);
    void unload();
    bool loaded() const { return handle_ != nullptr; }

private:
    void *handle_ = nullptr;
};
