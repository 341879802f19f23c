#pragma once

#include <QString>

// The documents of the example payroll (title 2021年5月工资表 merged over A1:D1; 工号, 姓名,
// 实发工资, 邮箱; employee 001, 张三, 5000 with the address in D3), row 3, e-mail hidden,
// the footer 人事部 and no advertisement.
inline const QString kHorizontalHead = QStringLiteral(
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>工资条</title></head>"
    "<body><table border=\"1\">");
inline const QString kVerticalHead = QStringLiteral(
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>工资条</title>"
    "<style>.shuli{ margin:0 auto;width:20px;line-height:24px;border:0px solid #333}</style>"
    "</head><body><table border=\"1\">");
inline const QString kEnd = QStringLiteral("\r</body>\r</html>");

inline const QString kExampleHorizontal =
    kHorizontalHead +
    QStringLiteral(
        "\r<tr><th colspan=\"4\" rowspan=\"1\">2021年5月工资表</th>\r</tr>"
        "\r<tr><th>工号</th><th>姓名</th><th>实发工资</th>\r</tr>"
        "<tr><td align=\"right\">001</td><td align=\"right\">张三</td>"
        "<td align=\"right\">5000</td></tr>"
        "</table><br><hr/><a>人事部</a><br>") +
    kEnd;

inline const QString kExampleVertical =
    kVerticalHead +
    QStringLiteral(
        "<tr><th colspan=\"1\" rowspan=\"4\"><div class=\"shuli\">"
        "2021年5月工资表</div></th><th>工号</th>"
        "<td align=\"right\">001</td>\r</tr>"
        "<tr><th>姓名</th><td align=\"right\">张三</td>\r</tr>"
        "<tr><th>实发工资</th><td align=\"right\">5000</td>\r</tr>"
        "\r</table><br><hr/><a>人事部</a><br>") +
    kEnd;
