#!/usr/bin/env python3
"""Reads the report golden files with Python's csv module and html.parser and checks that every field and
every table cell comes back whole and unchanged, and that no text of the tables turned into markup.
The tables are those of ReportTestTables.h. Exit status 0 when all is well."""
import csv
import html.parser
import io
import sys
from pathlib import Path

GRID = [["Volume", "System", "Data & <Backup>"], ["Logical", "C:", "D:"], ["Size", "74 GB", "1,024 KB"]]
ROWS = [
    ["Name", "Size", "Type", "Modified", "Attributes", "Extra", "Folder"],
    ["Tom &amp; Jerry.txt", "12", "Text Document", "15/03/2024 14:03:06", "A", "", "C:\\Data"],
    ['say "hi".txt', "5368709120", "<script>alert(1)</script>", "", "RHA", "", "C:\\Data"],
    ["=SUM(A1:A2)", "+1", "-2", "@cmd", "", "a,b", "C:\\Data"],
    ["", "", "", "", "", "", "C:\\Data"],
    ["short", "1"],
]
CAPTION = 'C:\\Data & "Stuff"\\'
CASES = {
    "full": (GRID, "du1A2B.jpg", ROWS),
    "empty": ([], "", []),
    "volumes_chart": (GRID, "du3C.jpg", []),
    "chart_rows": ([], "du4D.jpg", ROWS),
    "ansi": ([["Volume", "Café"]], "", [["Name", "Folder"], ["naïve € note.txt", "C:\\Données"]]),
    "unicode": ([["Volume", "Café"]], "", [["Name", "Folder"], ["Жук 日本.txt", "C:\\Données"], ["naïve.txt", "C:\\"]]),
}


def decode(data):
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8")
    return data.decode("cp1252")


class Cells(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tables, self.tags, self.images, self.cell = [], [], [], None

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        if tag == "table":
            self.tables.append([])
        elif tag == "tr" and self.tables:
            self.tables[-1].append([])
        elif tag == "td":
            self.cell = ""
        elif tag == "img":
            self.images.append(dict(attrs)["src"])

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.tables[-1][-1].append(self.cell)
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


def main(folder):
    failures = []
    for name, (grid, image, rows) in CASES.items():
        volume_rows = [[column[r] for column in grid] for r in range(len(grid[0]))] if grid else []
        text = decode((folder / f"{name}.csv").read_bytes())
        records = list(csv.reader(io.StringIO(text, newline=""), strict=True))
        expected = volume_rows + [[]] + rows
        if records != expected:
            failures.append(f"{name}.csv: {records!r} != {expected!r}")

        page = Cells()
        page.feed(decode((folder / f"{name}.html").read_bytes()))
        page.close()
        tables = []
        if grid:
            tables.append([["Volumes"]] + volume_rows)
        if rows:
            tables.append([["Folder: " + CAPTION]] + rows)
        if page.tables != tables:
            failures.append(f"{name}.html tables: {page.tables!r} != {tables!r}")
        if page.images != ([image] if image else []):
            failures.append(f"{name}.html images: {page.images!r}")
        allowed = {"html", "head", "meta", "title", "style", "body", "p", "br", "hr", "table", "tr", "td", "img"}
        if set(page.tags) - allowed:
            failures.append(f"{name}.html: markup from the texts: {set(page.tags) - allowed}")
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1])))
