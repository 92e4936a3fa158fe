#include "reports/ReportWriters.h"

#include <string>

#include "platform/AnsiText.h"
#include "platform/Exception.h"
#include "platform/FileKind.h"
#include "platform/OutFile.h"

namespace {

// Writes texts in the file's encoding: the ANSI code page, or UTF-8 with a byte-order mark when some
// text does not fit the code page (decided before the first byte is written).
class TReportText {
public:
    explicit TReportText(TOutFile& file) : FFile(file) {}

    // Looks at a text that will be written; call for every text before Start.
    void Check(std::string_view text) {
        if (FUtf8 || IsAsciiText(text)) return;
        FScratch.clear();
        if (!TryUtf8ToAnsi(text, FScratch)) FUtf8 = true;
    }
    void Check(const TVolumeGrid& grid) {
        for (const auto& column : grid)
            for (const std::string& cell : column) Check(cell);
    }
    void Check(const TFileRows& rows) {
        std::string_view cell;
        for (std::size_t r = 0; r < rows.Count() && !FUtf8; ++r)
            for (auto reader = rows.Row(r); reader.Next(cell);) Check(cell);
    }
    bool Utf8() const { return FUtf8; }
    void Start() {
        if (FUtf8) FFile.Write("\xEF\xBB\xBF");
    }

    // Program literals (ASCII).
    void Literal(std::string_view text) { FFile.Write(text); }
    // A text of the tables inside HTML markup.
    void Html(std::string_view text) {
        std::string_view t = Encoded(text);
        std::size_t from = 0;
        for (std::size_t i = 0; i < t.size(); ++i) {
            const char* entity = nullptr;
            switch (t[i]) {
                case '&': entity = "&amp;"; break;
                case '<': entity = "&lt;"; break;
                case '>': entity = "&gt;"; break;
                case '"': entity = "&quot;"; break;
                default: continue;
            }
            FFile.Write(t.substr(from, i - from));
            FFile.Write(entity);
            from = i + 1;
        }
        FFile.Write(t.substr(from));
    }
    // A CSV field: in double quotes, an inner double quote doubled.
    void CsvField(std::string_view text) {
        std::string_view t = Encoded(text);
        FFile.Write("\"");
        for (std::size_t q; (q = t.find('"')) != std::string_view::npos; t.remove_prefix(q + 1)) {
            FFile.Write(t.substr(0, q + 1));
            FFile.Write("\"");
        }
        FFile.Write(t);
        FFile.Write("\"");
    }

private:
    TOutFile& FFile;
    bool FUtf8 = false;
    std::string FScratch;

    std::string_view Encoded(std::string_view text) {
        if (FUtf8 || IsAsciiText(text)) return text;
        FScratch.clear();
        TryUtf8ToAnsi(text, FScratch);  // fits: Check said so
        return FScratch;
    }
};

constexpr std::string_view kHead = "<HTML><HEAD>";
constexpr std::string_view kCharset = "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">";
constexpr std::string_view kStyle =
    "<TITLE>Disk Usage Report</TITLE><STYLE>"
    ".normal {  font-family: Verdana;  font-size: 8pt;  font-style: normal;  font-variant: normal;  font-weight: "
    "normal;}"
    ".heading {  font-family: Verdana;  font-size: 10pt;  font-style: normal;  font-variant: normal;  font-weight: "
    "bold;  color: #0000A0;}"
    ".columnheading {  font-family: Verdana;  font-size: 8pt;  font-style: normal;  font-variant: normal;  "
    "font-weight: bold;}"
    ".title {  font-family: Verdana;  font-size: 14pt;  font-style: normal;  font-variant: normal;  font-weight: "
    "bold;  color: #0000A0;}"
    ".date {  font-family: Verdana;  font-size: 6pt;  font-style: italic;  font-variant: normal;  font-weight: "
    "normal;}"
    "</STYLE></HEAD>"
    "<BODY LEFTMARGIN=\"40\" RIGHTMARGIN=\"40\" BGCOLOR=\"#E1FFFF\">"
    "<P ALIGN=\"CENTER\" CLASS=\"title\">Disk Usage Report</P>";

}  // namespace

void CheckReportTarget(const std::string& path) {
    const std::string start = "Cannot create file \"" + path + "\". ";
    if (path == "-") throw Exception(start + "Reports are written to files only; give a file name.");
    switch (FileKindOf(path)) {
        case TFileKind::Folder:
            throw Exception(start + "It is a folder.");
        case TFileKind::Other:
            throw Exception(start + "It is a device or a pipe, not a file.");
        default:
            break;
    }
}

void WriteHtmlPage(const std::string& path, const TVolumeGrid& volumeGrid, std::string_view imageName,
                   std::string_view caption, const TFileRows& fileRows, std::string_view dateText,
                   std::string_view version) {
    CheckReportTarget(path);
    TOutFile file(path);
    TReportText out(file);
    out.Check(volumeGrid);
    out.Check(fileRows);
    for (std::string_view t : {imageName, caption, dateText, version}) out.Check(t);
    out.Start();

    out.Literal(kHead);
    if (out.Utf8()) out.Literal(kCharset);
    out.Literal(kStyle);
    out.Literal(kHtmlDateLineStart);
    out.Html(dateText);
    out.Literal("</P><BR>");

    const bool volumes = !volumeGrid.empty();
    if (volumes) {
        out.Literal("<TABLE CLASS=\"normal\" WIDTH=\"95%\"><TR CLASS=\"heading\"><TD COLSPAN=\"");
        out.Literal(std::to_string(volumeGrid.size()));
        out.Literal("\">Volumes</TD></TR><TR CLASS=\"columnheading\">");
        std::size_t rows = 0;
        for (const auto& column : volumeGrid) {
            out.Literal("<TD>");
            out.Html(column.empty() ? std::string_view() : std::string_view(column[0]));
            out.Literal("</TD>");
            if (column.size() > rows) rows = column.size();
        }
        out.Literal("</TR>");
        for (std::size_t r = 1; r < rows; ++r) {
            out.Literal("<TR>");
            for (const auto& column : volumeGrid) {
                out.Literal("<TD>");
                if (r < column.size()) out.Html(column[r]);
                out.Literal("</TD>");
            }
            out.Literal("</TR>");
        }
        out.Literal("</TABLE>");
    }

    const bool image = !imageName.empty();
    if (image) {
        if (volumes) out.Literal("<BR><HR WIDTH=\"50%\"><BR>");
        out.Literal("<P ALIGN=\"CENTER\" CLASS=\"heading\">Folder: ");
        out.Html(caption);
        out.Literal("<BR><IMG SRC=\"");
        out.Html(imageName);
        out.Literal("\" BORDER=\"0\"></P>");
    }

    if (!fileRows.Empty()) {
        if (volumes || image) out.Literal("<BR><HR><BR>");
        out.Literal("<TABLE CLASS=\"normal\" WIDTH=\"95%\"><TR CLASS=\"heading\"><TD COLSPAN=\"");
        out.Literal(std::to_string(fileRows.CellCount(0)));
        out.Literal("\">Folder: ");
        out.Html(caption);
        out.Literal("</TD></TR><TR CLASS=\"columnheading\">");
        std::string_view cell;
        for (auto reader = fileRows.Row(0); reader.Next(cell);) {
            out.Literal("<TD>");
            out.Html(cell);
            out.Literal("</TD>");
        }
        out.Literal("</TR>");
        for (std::size_t r = 1; r < fileRows.Count(); ++r) {
            out.Literal("<TR>");
            for (auto reader = fileRows.Row(r); reader.Next(cell);) {
                out.Literal("<TD>");
                out.Html(cell);
                out.Literal("</TD>");
            }
            out.Literal("</TR>");
        }
        out.Literal("</TABLE>");
    }

    out.Literal("<BR><HR><P CLASS=\"date\">Created by Voluscope v");
    out.Html(version);
    out.Literal("</P></BODY></HTML>\r\n");
    file.Close();
}

void WriteCsvReport(const std::string& fileName, const TVolumeGrid& volumeGrid, const TFileRows& fileRows) {
    CheckReportTarget(fileName);
    TOutFile file(fileName);
    TReportText out(file);
    out.Check(volumeGrid);
    out.Check(fileRows);
    out.Start();

    if (!volumeGrid.empty()) {
        std::size_t rows = 0;
        for (const auto& column : volumeGrid)
            if (column.size() > rows) rows = column.size();
        for (std::size_t r = 0; r < rows; ++r) {
            for (std::size_t c = 0; c < volumeGrid.size(); ++c) {
                if (c) out.Literal(",");
                out.CsvField(r < volumeGrid[c].size() ? std::string_view(volumeGrid[c][r]) : std::string_view());
            }
            out.Literal("\r\n");
        }
    }
    out.Literal("\r\n");
    std::string_view cell;
    for (std::size_t r = 0; r < fileRows.Count(); ++r) {
        bool first = true;
        for (auto reader = fileRows.Row(r); reader.Next(cell); first = false) {
            if (!first) out.Literal(",");
            out.CsvField(cell);
        }
        out.Literal("\r\n");
    }
    file.Close();
}
