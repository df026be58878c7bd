#!/usr/bin/python3
"""Reads an exported workbook back with openpyxl and checks it against the run it came from.

  xlsx_check.py package DIR
      a package directory (DIR/mdb/ZOL.mdb, DIR/rpt) from tests/fixtures/report_cli/sample.sql
  xlsx_check.py content BOOK
      every member of the workbook but the one that holds its creation time, for comparing two
      workbooks; exits 1 when BOOK is no whole zip file.
  xlsx_check.py check BOOK DB DETAIL_SQL ITEM_SQL REPORT [FROM TO]
      BOOK is the workbook; DB the package database; DETAIL_SQL and ITEM_SQL the run's two
      statements as SQLite runs them; REPORT the report file the same run wrote. With FROM
      and TO only the students whose lines stand on those report pages are expected.

The expected rows are worked out here from the statements' rows, independently of the
program: one per student, fee 0 for method 4, the total being the stored fee plus the
items. "合計" is checked against those rows and, for a whole run, against the report's
class or report totals lines. Prints "ok N" and exits 0, or lists the differences and exits 1.
"""
import datetime
import hashlib
import os
import re
import sqlite3
import sys
import zipfile

import openpyxl
from openpyxl.styles.numbers import is_date_format
from openpyxl.utils import get_column_letter

HEAD = ["收款日期", "繳費群組", "年", "班", "座號", "學生姓名", "電腦流水號", "繳款方式", "手續費"]
SUM_HEAD = ["收款日期", "繳費群組", "年", "班", "筆數", "手續費"]
KINDER = {13: "幼小", 14: "幼中", 15: "幼大"}
METHODS = {"2": "臨櫃", "3": "現金", "4": "ATM", "5": "網路ATM", "6": "超商"}
errors = []


def expect(ok, what):
    if not ok:
        errors.append(what)
    return ok


def day(v):
    return datetime.datetime.strptime(str(v)[:10], "%Y-%m-%d") if v not in (None, "") else None


def text(v):
    return "" if v is None else str(v).strip()


def query(db, sql):
    cur = sqlite3.connect(db).execute(sql)
    names = [d[0].lower() for d in cur.description]
    # A name that occurs twice is read from its first column, as the program does.
    first = {n: names.index(n) for n in names}
    return [{n: r[i] for n, i in first.items()} for r in cur]


def students(rows):
    out, last = [], None
    for r in rows:
        key = (day(r["tranday"]), r["grpid"], r["grade"], r["clsid"])
        if (key, text(r["stdid"])) != last:
            last = (key, text(r["stdid"]))
            preway, serial = text(r["preway"]), text(r["flow_number"])
            method = ("#轉帳" if text(r["acctid2"]) else "轉帳") if preway == "1" else METHODS.get(preway)
            grade = int(r["grade"])
            s = {"key": key, "items": {}, "total": round(r["fee"]), "row": [
                key[0], text(r["grpname"]) or None, KINDER.get(grade, grade), int(r["clsid"]),
                int(r["seatno"]), ("*" if r["delmark"] else "") + text(r["stdname"]),
                int(serial) if serial.isdigit() else (serial or None), method,
                0 if preway == "4" else round(r["fee"])]}
            s["payday"] = day(r["payday"])
            out.append(s)
        s["items"][text(r["itemname"])] = round(r["itemamt"])
        s["total"] += round(r["itemamt"])
    return out


def item_names(rows):
    ids = {}
    for r in rows:
        n = text(r["itemname"])
        ids[n] = min(ids.get(n, r["itemid"]), r["itemid"])
    return sorted(ids, key=lambda n: ids[n])  # stable: ties keep first appearance


def report_lines(path):
    """Student lines as (page, mark and name), and the class or report totals lines."""
    pages, totals, page = [], [], 1
    lines = open(path, "rb").read().split(b"\r\n")
    for i, l in enumerate(lines):
        if l.startswith(b"\x0c"):
            page += 1
        elif l[9:11].isdigit() and l[14:16].isdigit() and re.match(
                r"^( \d\d? *|幼[小中大] )$", l[4:9].decode("cp950", "replace")):
            pages.append((page, l[17:].decode("cp950").split(" ")[0] if l[17:18] == b"*"
                          else l[18:].decode("cp950").split(" ")[0]))
        elif re.match("^    (班總筆數|全部筆數):", l.decode("cp950", "replace")):
            nums = [int(n.replace(",", "")) for n in l[54:].decode("cp950").split()]
            if i + 1 < len(lines) and lines[i + 1].startswith(b" " * 54):
                nums[-1:-1] = [int(n.replace(",", "")) for n in lines[i + 1].decode().split()]
            count = int(re.search(r"筆數:(\d+)", l.decode("cp950")).group(1))
            fee = int(l[45:54].decode().replace(",", "").strip() or 0)
            totals.append((count, fee, sorted(nums[:-1]), nums[-1]))
    return pages, totals


def sums(group):
    return [len(group), sum(s["row"][8] for s in group)]


def check(book, db, detail_sql, item_sql, report, page_range):
    wb = openpyxl.load_workbook(book)
    expect(wb.sheetnames == ["明細", "合計"], f"sheets {wb.sheetnames}")
    rows_ws, sum_ws = wb["明細"], wb["合計"]
    names = item_names(query(db, item_sql))
    studs = students(query(db, detail_sql))
    lines, totals = report_lines(report)
    expect([n for _, n in lines] == [s["row"][5] for s in studs], "report lines != statement rows")
    if page_range:
        studs = [s for s, (p, _) in zip(studs, lines) if page_range[0] <= p <= page_range[1]]
    expect(len(studs) > 0, "no students expected")

    cols = HEAD + names + ["收款總金額", "實扣日期"]
    got = list(rows_ws.iter_rows(values_only=True))
    expect(list(got[0]) == cols, f"明細 header {got[0]}")
    expect(len(got) - 1 == len(studs), f"明細 has {len(got) - 1} rows, expected {len(studs)}")
    for i, s in enumerate(studs):
        want = s["row"] + [s["items"].get(n) for n in names] + [s["total"], s["payday"]]
        if i + 1 < len(got):
            expect(list(got[i + 1]) == want, f"明細 row {i + 2}: {got[i + 1]} != {want}")

    # Cell types: dates kept as dates shown as ROC dates, amounts as numbers, text as text.
    for row in rows_ws.iter_rows(min_row=2):
        for c, cell in enumerate(row):
            if cell.value is None:
                continue
            if cols[c] in ("收款日期", "實扣日期"):
                expect(cell.is_date and cell.number_format == "[$-404]e/mm/dd"
                       and is_date_format(cell.number_format), f"date cell {cell.coordinate}")
            elif c >= 8 and cols[c] != "實扣日期":
                expect(cell.data_type == "n" and cell.number_format == "#,##0",
                       f"amount cell {cell.coordinate}")
            elif cols[c] in ("繳費群組", "學生姓名", "繳款方式"):
                expect(cell.data_type == "s", f"text cell {cell.coordinate}")

    # 合計: one row per class group of the rows written, then the whole.
    groups = []
    for s in studs:
        if not groups or groups[-1][0]["key"] != s["key"]:
            groups.append([])
        groups[-1].append(s)
    got_sums = list(sum_ws.iter_rows(values_only=True))
    expect(list(got_sums[0]) == SUM_HEAD + names + ["收款總金額"], f"合計 header {got_sums[0]}")
    expect(len(got_sums) == len(groups) + 2, f"合計 has {len(got_sums)} rows")
    for g, row in zip(groups + [studs], got_sums[1:]):
        want = [sum(s["items"].get(n, 0) for s in g) for n in names] + [sum(s["total"] for s in g)]
        expect(list(row[4:]) == sums(g) + want, f"合計 row {row} != {sums(g) + want}")
        if g is not studs:
            expect(list(row[:4]) == g[0]["row"][:4], f"合計 key {row[:4]}")
    expect(got_sums[-1][0] == "全部合計", "合計 last row")
    if not page_range:
        merged = len(totals) == 1 and len(groups) > 1
        for t, row in zip(totals, [got_sums[-1]] if merged else got_sums[1:-1]):
            items = sorted(v for v in row[6:-1] if v)
            expect((t[0], t[1], t[2], t[3]) == (row[4], row[5], items, row[-1]),
                   f"合計 {row} != report totals {t}")
        expect(len(totals) == (1 if merged else len(groups)), f"{len(totals)} totals lines")

    # Page set-up, frozen header, autofilter, widths.
    for ws in (rows_ws, sum_ws):
        ps = ws.page_setup
        expect(ps.orientation == "landscape" and int(ps.paperSize) == 9, f"{ws.title} paper")
        expect(ws.sheet_properties.pageSetUpPr.fitToPage and ps.fitToWidth in (None, 1)
               and int(ps.fitToHeight) == 0, f"{ws.title} fit to one page wide")
        expect(ws.print_title_rows == "$1:$1", f"{ws.title} title rows {ws.print_title_rows}")
        expect(ws.freeze_panes == "A2", f"{ws.title} frozen {ws.freeze_panes}")
        for c, caption in enumerate(next(ws.iter_rows(max_row=1, values_only=True))):
            width = ws.column_dimensions[get_column_letter(c + 1)].width
            # The caption, its filter button and a margin.
            expect(width >= len(caption.encode("cp950")) + 4, f"{ws.title} width of {caption}")
    expect(rows_ws.auto_filter.ref == f"A1:{get_column_letter(len(cols))}{len(got)}",
           f"autofilter {rows_ws.auto_filter.ref}")
    return len(studs)


def main(argv):
    if argv[1] == "package":
        os.makedirs(os.path.join(argv[2], "mdb"))
        os.makedirs(os.path.join(argv[2], "rpt"))
        sql = os.path.join(os.path.dirname(__file__), "..", "fixtures", "report_cli", "sample.sql")
        # One serial that is no number: it stays text in its own column.
        sqlite3.connect(os.path.join(argv[2], "mdb", "ZOL.mdb")).executescript(
            open(sql).read() + "UPDATE ZOL8_Payment SET flow_number = 'A-77' WHERE Stdid = 1;")
        return 0
    if argv[1] == "content":
        with zipfile.ZipFile(argv[2]) as z:
            if z.testzip() is not None:
                return 1
            for name in sorted(z.namelist()):
                if name != "docProps/core.xml":
                    print(name, hashlib.sha256(z.read(name)).hexdigest())
        return 0
    rng = (int(argv[7]), int(argv[8])) if len(argv) > 8 else None
    n = check(*argv[2:7], rng)
    print("\n".join(errors) if errors else f"ok {n}")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
