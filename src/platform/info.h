#pragma once
// TEPInfoExe: reads the texts of an executable's version record.
#include <string>

class TEPInfoExe {
public:
    // Fills the ten texts below from the string table LangId + "04E4" of the version record of
    // ExeName. A file without a readable record leaves every text as it was; a text the table
    // lacks (or a missing table) reads as empty.
    void ReadVersionInfo();

    std::string LangId = "040C";  // language half of the string table's name, four hex digits
    std::string ExeName;          // full path of the file to read

    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string LegalTradeMarks;
    std::string OriginalFilename;
    std::string ProductName;
    std::string ProductVersion;
    std::string Comments;
};
