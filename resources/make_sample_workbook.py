#!/usr/bin/python3
"""Writes the sample payroll workbook shipped beside the program (工资表样例.xls)."""
import os
import sys

import xlwt

HEADERS = ["工号", "姓名", "部门", "基本工资", "岗位津贴", "绩效奖金", "加班费",
           "应发工资", "社保个人", "公积金个人", "个人所得税", "实发工资", "邮箱"]

EMPLOYEES = [
    ("A001", "张伟", "财务部", 8500, 1200, 1800, 0, "zhangwei@example.com"),
    ("A002", "王芳", "人事部", 7200, 800, 1500, 320, "wangfang@example.com"),
    ("A003", "李娜", "销售部", 6800, 600, 4200, 0, "lina@example.com"),
    ("A004", "刘洋", "研发部", 12500, 2000, 3000, 860, "liuyang@example.com"),
    ("A005", "陈静", "研发部", 11800, 2000, 2600, 540, "chenjing@example.com"),
    ("A006", "杨磊", "生产部", 5600, 500, 900, 1280, "yanglei@example.com"),
    ("A007", "赵敏", "市场部", 7600, 900, 2100, 0, "zhaomin@example.com"),
    ("A008", "黄强", "生产部", 5400, 500, 800, 1460, "huangqiang@example.com"),
    ("A009", "周婷", "行政部", 6200, 600, 1000, 0, "zhouting@example.com"),
    ("A010", "吴刚", "销售部", 7000, 600, 5200, 200, "wugang@example.com"),
]


def tax(taxable):
    """Monthly withholding on the part above the 5,000 threshold (simplified brackets)."""
    base = max(0.0, taxable - 5000)
    for limit, rate, deduction in ((3000, 0.03, 0), (12000, 0.10, 210), (25000, 0.20, 1410),
                                   (35000, 0.25, 2660), (55000, 0.30, 4410)):
        if base <= limit:
            return round(base * rate - deduction, 2)
    return round(base * 0.35 - 7160, 2)


def main(path):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("2026年11月工资")

    title = xlwt.easyxf("font: bold on, height 360; align: horiz center, vert center")
    header = xlwt.easyxf("font: bold on; align: horiz center, vert center, wrap on;"
                         "pattern: pattern solid, fore_colour pale_blue;"
                         "borders: left thin, right thin, top thin, bottom thin")
    text = xlwt.easyxf("borders: left thin, right thin, top thin, bottom thin")
    money = xlwt.easyxf("borders: left thin, right thin, top thin, bottom thin",
                        num_format_str="#,##0.00")
    total = xlwt.easyxf("font: bold on; borders: left thin, right thin, top thin, bottom thin",
                        num_format_str="#,##0.00")

    sheet.write_merge(0, 0, 0, len(HEADERS) - 1, "示例科技有限公司2026年11月工资表", title)
    sheet.row(0).height_mismatch = True
    sheet.row(0).height = 600
    for c, name in enumerate(HEADERS):
        sheet.write(1, c, name, header)
        sheet.col(c).width = 3000 if name != "邮箱" else 7000

    sums = [0.0] * 9
    for r, (no, name, dept, base, allowance, bonus, overtime, mail) in enumerate(EMPLOYEES, 2):
        gross = base + allowance + bonus + overtime
        social = round(base * 0.105, 2)
        fund = round(base * 0.07, 2)
        income_tax = tax(gross - social - fund)
        net = round(gross - social - fund - income_tax, 2)
        values = [base, allowance, bonus, overtime, gross, social, fund, income_tax, net]
        sheet.write(r, 0, no, text)
        sheet.write(r, 1, name, text)
        sheet.write(r, 2, dept, text)
        for c, v in enumerate(values, 3):
            sheet.write(r, c, v, money)
            sums[c - 3] += v
        sheet.write(r, 12, mail, text)

    last = 2 + len(EMPLOYEES)
    sheet.write_merge(last, last, 0, 2, "合计", total)
    for c, v in enumerate(sums, 3):
        sheet.write(last, c, round(v, 2), total)
    sheet.write(last, 12, "", text)
    book.save(path)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else
         os.path.join(os.path.dirname(os.path.abspath(__file__)), "工资表样例.xls"))
