#!/usr/bin/python3
"""Writes a realistic payroll workbook for the read benchmark:
a title merged over row 1, two header rows with merges, then ROWS employees x 30 columns
(text, numbers with formats, a date, the e-mail), and a totals row.

    /usr/bin/python3 bench/make_payroll.py ROWS OUT.xlsx|OUT.xls

.xlsx is written the way Excel writes it (shared strings, styles with number formats);
.xls with xlwt (Debian's python3-xlwt), within its 65,536 rows.
"""

import datetime as dt
import random
import sys
import zipfile
from xml.sax.saxutils import escape

COLUMNS = 30
GROUPS = [("基本信息", 1, 6), ("应发项目", 7, 16), ("扣款项目", 17, 26), ("实发与签收", 27, 30)]
SUBHEADERS = (["序号", "工号", "姓名", "部门", "岗位", "入职日期"] +
              ["基本工资", "岗位工资", "绩效工资", "加班费", "交通补贴", "餐补", "通讯补贴", "高温补贴", "其他补贴", "应发合计"] +
              ["养老保险", "医疗保险", "失业保险", "公积金", "个税", "事假", "病假", "迟到", "其他扣款", "扣款合计"] +
              ["实发工资", "银行账号", "电子邮箱", "备注"])
SURNAMES = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗"
GIVEN = "伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超秀兰霞平刚桂英"
DEPARTMENTS = ["财务部", "研发部", "市场部", "行政部", "人事部", "销售一部", "销售二部", "生产部"]
POSTS = ["专员", "主管", "经理", "工程师", "高级工程师", "助理"]


def employee(i, rnd):
    name = rnd.choice(SURNAMES) + "".join(rnd.choice(GIVEN) for _ in range(rnd.randint(1, 2)))
    pay = [round(rnd.uniform(3000, 20000), 2)] + [round(rnd.uniform(0, 3000), 2) for _ in range(8)]
    deductions = [round(rnd.uniform(0, 1500), 2) for _ in range(9)]
    gross, total_deductions = round(sum(pay), 2), round(sum(deductions), 2)
    hired = dt.date(2005, 1, 1) + dt.timedelta(days=rnd.randint(0, 7000))
    row = ([i, "E%06d" % i, name, rnd.choice(DEPARTMENTS), rnd.choice(POSTS), hired] +
           pay + [gross] + deductions + [total_deductions] +
           [round(gross - total_deductions, 2), "6222%012d" % rnd.randint(0, 10**12 - 1),
            "emp%06d@example.com" % i, "" if rnd.random() < 0.8 else "补发上月加班费"])
    return row


def col_name(c):
    s = ""
    while c:
        c, r = divmod(c - 1, 26)
        s = chr(65 + r) + s
    return s


def serial(d):
    return (d - dt.date(1899, 12, 30)).days


def merges():
    out = [(1, 1, 1, COLUMNS)]
    out += [(2, a, 2, b) for _, a, b in GROUPS]
    return out


def write_xlsx(rows, path):
    strings, index = [], {}

    def sst(text):
        if text not in index:
            index[text] = len(strings)
            strings.append(text)
        return index[text]

    # styles: 0 general, 1 #,##0.00, 2 yyyy-mm-dd, 3 bold header (general)
    out = []
    def cell_xml(r, c, v, numeric_style=1):
        ref = col_name(c) + str(r)
        if isinstance(v, str):
            return '<c r="%s" t="s"><v>%d</v></c>' % (ref, sst(v)) if v else ""
        if isinstance(v, dt.date):
            return '<c r="%s" s="2"><v>%d</v></c>' % (ref, serial(v))
        if isinstance(v, int):
            return '<c r="%s"><v>%d</v></c>' % (ref, v)
        return '<c r="%s" s="%d"><v>%r</v></c>' % (ref, numeric_style, v)

    out.append('<row r="1"><c r="A1" s="3" t="s"><v>%d</v></c></row>' % sst("某某集团有限公司2026年11月工资表"))
    row2 = "".join('<c r="%s2" s="3" t="s"><v>%d</v></c>' % (col_name(a), sst(t)) for t, a, _ in GROUPS)
    out.append('<row r="2">%s</row>' % row2)
    out.append('<row r="3">%s</row>' % "".join(
        '<c r="%s3" s="3" t="s"><v>%d</v></c>' % (col_name(c), sst(t)) for c, t in enumerate(SUBHEADERS, 1)))
    rnd = random.Random(20261130)
    totals = [0.0] * (COLUMNS + 1)
    for i in range(1, rows + 1):
        r = i + 3
        values = employee(i, rnd)
        for c in range(7, 28):
            totals[c] += values[c - 1]
        out.append('<row r="%d">%s</row>' % (r, "".join(cell_xml(r, c, v) for c, v in enumerate(values, 1))))
    r = rows + 4
    out.append('<row r="%d"><c r="A%d" t="s"><v>%d</v></c>%s</row>' % (
        r, r, sst("合计"), "".join(cell_xml(r, c, round(totals[c], 2)) for c in range(7, 28))))
    merge_xml = "".join('<mergeCell ref="%s%d:%s%d"/>' % (col_name(a), t, col_name(b), bt)
                        for t, a, bt, b in merges())
    sheet = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
             '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
             '<dimension ref="A1:%s%d"/><sheetData>%s</sheetData><mergeCells count="%d">%s</mergeCells></worksheet>'
             % (col_name(COLUMNS), r, "".join(out), len(merges()), merge_xml))
    shared = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
              '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" uniqueCount="%d">%s</sst>'
              % (len(strings), len(strings), "".join("<si><t>%s</t></si>" % escape(s) for s in strings)))
    styles = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
              '<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
              '<numFmts count="1"><numFmt numFmtId="164" formatCode="yyyy\\-mm\\-dd"/></numFmts>'
              '<fonts count="2"><font><sz val="11"/><name val="宋体"/></font><font><b/><sz val="11"/><name val="宋体"/></font></fonts>'
              '<fills count="1"><fill><patternFill patternType="none"/></fill></fills>'
              '<borders count="1"><border/></borders><cellStyleXfs count="1"><xf numFmtId="0"/></cellStyleXfs>'
              '<cellXfs count="4"><xf numFmtId="0"/><xf numFmtId="4" applyNumberFormat="1"/>'
              '<xf numFmtId="164" applyNumberFormat="1"/><xf numFmtId="0" fontId="1"/></cellXfs>'
              '<cellStyles count="1"><cellStyle name="常规" xfId="0" builtinId="0"/></cellStyles></styleSheet>')
    ns = "http://schemas.openxmlformats.org"
    parts = {
        "[Content_Types].xml": ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="%s/package/2006/content-types">'
                                '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                                '<Default Extension="xml" ContentType="application/xml"/>'
                                '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
                                '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
                                '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
                                '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
                                '</Types>' % ns),
        "_rels/.rels": ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="%s/package/2006/relationships">'
                        '<Relationship Id="rId1" Type="%s/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>'
                        '</Relationships>' % (ns, ns)),
        "xl/workbook.xml": ('<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="%s/spreadsheetml/2006/main" '
                            'xmlns:r="%s/officeDocument/2006/relationships"><sheets>'
                            '<sheet name="2026年11月" sheetId="1" r:id="rId1"/></sheets></workbook>' % (ns, ns)),
        "xl/_rels/workbook.xml.rels": ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="%s/package/2006/relationships">'
                                       '<Relationship Id="rId1" Type="%s/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
                                       '<Relationship Id="rId2" Type="%s/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
                                       '<Relationship Id="rId3" Type="%s/officeDocument/2006/relationships/styles" Target="styles.xml"/>'
                                       '</Relationships>' % (ns, ns, ns, ns)),
        "xl/worksheets/sheet1.xml": sheet,
        "xl/sharedStrings.xml": shared,
        "xl/styles.xml": styles,
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, content in parts.items():
            z.writestr(name, content)


def write_xls(rows, path):
    import xlwt
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("2026年11月")
    money = xlwt.easyxf(num_format_str="#,##0.00")
    date = xlwt.easyxf(num_format_str="yyyy-mm-dd")
    bold = xlwt.easyxf("font: bold on")
    ws.write_merge(0, 0, 0, COLUMNS - 1, "某某集团有限公司2026年11月工资表", bold)
    for title, a, b in GROUPS:
        ws.write_merge(1, 1, a - 1, b - 1, title, bold)
    for c, title in enumerate(SUBHEADERS):
        ws.write(2, c, title, bold)
    rnd = random.Random(20261130)
    totals = [0.0] * (COLUMNS + 1)
    for i in range(1, rows + 1):
        values = employee(i, rnd)
        for c in range(7, 28):
            totals[c] += values[c - 1]
        r = i + 2
        for c, v in enumerate(values):
            if isinstance(v, dt.date):
                ws.write(r, c, serial(v), date)
            elif isinstance(v, float):
                ws.write(r, c, v, money)
            elif v != "":
                ws.write(r, c, v)
    r = rows + 3
    ws.write(r, 0, "合计")
    for c in range(7, 28):
        ws.write(r, c - 1, round(totals[c], 2), money)
    wb.save(path)


def main():
    rows, path = int(sys.argv[1]), sys.argv[2]
    (write_xls if path.endswith(".xls") else write_xlsx)(rows, path)


if __name__ == "__main__":
    main()
