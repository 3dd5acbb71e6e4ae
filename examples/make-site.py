#!/usr/bin/env python3
"""Writes the sample catalogue: a small sheet-music catalogue site of invented
books, the host's three reference dictionaries, a "Setting.ini" and a code list.

    examples/make-site.py          # rewrites everything below examples/

The pages are written here in UTF-8 and saved as the site serves them, in
EUC-JP; the host's files are saved in Shift_JIS (code page 932) with CR LF.
Every title, person, publisher and code is made up. The ISBNs carry correct
check digits so that the host accepts them.

What the books show:
  - volumes: "第２巻", "Vol.3", "第二十三集", "（上）", "No.5", "初級編2";
  - notes in brackets: "〈混声〉", "(CD付)";
  - author credits with roles (著者, 監修, 編著, 編, 解説, 訳) and readings
    in ［］, one or two credit rows, names found in the author dictionary;
  - prices with a thousands comma, "円", "（税込）" and a leading "：";
    pages without a price, where the 18- and 26-byte codes give it;
  - first-edition dates as 2019年4月15日, 2005.03.10, 20080301, 2011/7,
    05年3月;
  - contents blocks with "<br>" inside items and the end-of-item comment;
  - half-width katakana, "&amp;", "&quot;", "&lt;", "&gt;" and "&nbsp;";
  - a code whose search finds no book and a code that is not an ISBN.
"""
import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
SITE = os.path.join(HERE, "site")
DATA = os.path.join(HERE, "data")


def isbn13(stem):
    """The 13-digit ISBN of a 12-digit stem, with its check digit."""
    total = sum(int(d) * (1 if i % 2 == 0 else 3) for i, d in enumerate(stem))
    return stem + str((10 - total % 10) % 10)


def isbn10(isbn):
    """The 10-character ISBN of a 978 ISBN-13."""
    stem = isbn[3:12]
    total = sum(int(d) * (10 - i) for i, d in enumerate(stem))
    check = (11 - total % 11) % 11
    return stem + ("X" if check == 10 else str(check))


def escape_key(key):
    """The file name the host gives a search key or detail id (see
    host/site_folder.h): bytes outside [0-9A-Za-z_.-] as %XX."""
    plain = b"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_.-"
    raw = key.encode("cp932") if isinstance(key, str) else key
    return "".join(chr(b) if b in plain else "%%%02X" % b for b in raw)


HEADER = """<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=EUC-JP">
<title>{title} - 五線譜の小径</title>
</head>
<body>
<div id="Head"><a href="/">五線譜の小径</a> 楽譜と教本の専門店</div>
"""

FOOTER = """<div id="Cart"><a href="/cart/add.php">カートに入れる</a></div>
<hr>
<div id="Foot">
<p>五線譜の小径&nbsp;|&nbsp;お問い合わせ</p>
</div>
</body>
</html>
"""


def detail_page(book):
    """The detail page of one book, in the site's fixed layout: a label line
    followed by its value line, the author row, the contents block."""
    lines = [HEADER.format(title=book["name"])]
    lines.append('<div align="center"><img src="/images/cover/%s.jpg" alt="%s"></div>\n'
                 % (book["id"], book["name"]))

    def item(label, value):
        lines.append('<div id="SyosaiItem">%s</div>\n' % label)
        lines.append('\t<div id="SyosaiValue">%s</div>\n' % value)

    item("商品名：", book["name"])
    item("出版社：", book["publisher"])
    item("サイズ：", book["size"])
    for credit in book["credits"]:
        lines.append('<table class="Author"><tr><td>著者</td>'
                     '<td><a href="/search/author.php?Key=%s">%s</a></td></tr></table>\n'
                     % (credit, credit.split("／")[-1]))
    item("ジャンル名：", book["genre"])
    item("初版日：", book["date"])
    if "price" in book:
        item("定価：", book["price"])
    for memo in book.get("memos", []):
        item("一口メモ：", memo)
    if "contents" in book:
        lines.append('<div id="SyusaiTitle">収載曲</div>\n')
        lines.append("<!-- 収載内容 start -->\n")
        for number, (piece, note, closed) in enumerate(book["contents"], 1):
            lines.append('<div id="SyusaiItemNo">%02d.</div>\n' % number)
            second = '<div id="SyusaiItemName">%s<br>%s</div>' % (piece, note)
            if closed:
                second += "<!-- SysSyusaiNaiyou end -->"
            lines.append(second + "\n")
        lines.append("<!-- 収載内容 end -->\n")
    lines.append(FOOTER)
    return "".join(lines)


def search_page(key, hits):
    """The result page of a keyword search: one table row per hit, the first
    hit's link on a line of its own after the page's first line."""
    lines = [HEADER.format(title="検索結果"),
             "<p>「%s」の検索結果：%d件</p>\n" % (key, len(hits)),
             "<table>\n"]
    for book_id, name in hits:
        lines.append("<tr>\n")
        lines.append('  <td><a href="/detail/view.php?id=%s">%s</a></td>\n' % (book_id, name))
        lines.append("  <td>在庫あり</td>\n")
        lines.append("</tr>\n")
    if not hits:
        lines.append("<tr><td>該当する商品は見つかりませんでした。</td></tr>\n")
    lines.append("</table>\n")
    lines.append(FOOTER)
    return "".join(lines)


BOOKS = [
    {
        "id": "K1001",
        "isbn": isbn13("978488810011"),
        "name": "やさしいピアノ小品集　第２巻",
        "publisher": "ひばり楽譜出版",
        "size": "菊倍判",
        "credits": ["著者／風見透［かざみとおる］　監修／森川しずく"],
        "genre": "ピアノ・ソロ",
        "date": "2019年4月15日",
        "price": "：2,420円（税込）",
        "memos": ["初級から中級向け。&quot;春の小径&quot;ほか全3曲を収載。"],
        "contents": [("春の小径", "作曲：風見 透", False),
                     ("夕立のあと", "作曲：風見 透", False),
                     ("こもりうた&nbsp;(連弾)", "編曲：森川しずく", False)],
    },
    {
        "id": "K1002",
        "isbn": isbn13("978488830005"),
        "name": "ギター教本 Vol.3",
        "publisher": "つばめ&amp;かもめ音楽社",
        "size": "A4変型",
        "credits": ["編著／ソラノ・ハルカ"],
        "genre": "ｷﾞﾀｰ教本",
        "date": "2005.03.10",
        "price": "1,980円",
        "memos": ["ﾀﾌﾞ譜付き。", "ｺｰﾄﾞ表&lt;全48種&gt;を巻末に収録。"],
    },
    {
        "id": "K1003",
        "isbn": isbn13("978488810020"),
        "name": "合唱曲集 第二十三集〈混声〉",
        "publisher": "ひばり楽譜出版",
        "size": "B5",
        "credits": ["編／みずうみ合唱研究会", "解説／北条冬子［ほうじょうふゆこ］"],
        "genre": "合唱",
        "date": "20080301",
        "price": "3,300円（税込）",
        "contents": [("湖の朝", "混声四部", True),
                     ("ふるさとの灯", "混声三部<br>ピアノ伴奏付", True)],
    },
    {
        "id": "K2001",
        "isbn": isbn13("978488840002"),
        "name": "ピアノ連弾名曲集（上）",
        "publisher": "しらかば音楽出版",
        "size": "菊倍判",
        "credits": ["著者／風見透［かざみとおる］"],
        "genre": "ピアノ連弾",
        "date": "2011/7",
        "memos": ["先生と生徒で弾ける連弾曲集。"],
    },
    {
        "id": "K2002",
        "isbn": isbn13("978488840010"),
        "name": "オカリナで吹く日本の歌 No.5(CD付)",
        "publisher": "みなと楽譜",
        "size": "A5",
        "credits": ["著者／Ｊ．ブラウン　訳／鈴原ゆき［すずはらゆき］"],
        "genre": "オカリナ",
        "date": "05年3月",
        "memos": ["模範演奏CD付き。"],
    },
    {
        "id": "K3001",
        "isbn": isbn13("978488830013"),
        "name": "こどものためのソルフェージュ 初級編2",
        "publisher": "つばめ&amp;かもめ音楽社",
        "size": "A4",
        "credits": ["監修／森川しずく　編集／ことり音楽教室"],
        "genre": "ソルフェージュ",
        "date": "2015年12月1日",
        "price": "1,650円（税込）",
        "memos": ["歌って覚える音符の読み方。"],
    },
]

# A valid ISBN that the site does not carry: its search finds nothing.
UNKNOWN_ISBN = isbn13("978488899999")

# The sample code list, in the forms a bar-code reader or a person gives.
CODES = [
    BOOKS[0]["isbn"][:3] + "-" + BOOKS[0]["isbn"][3] + "-" + BOOKS[0]["isbn"][4:9] + "-"
    + BOOKS[0]["isbn"][9:12] + "-" + BOOKS[0]["isbn"][12],   # ISBN-13 with hyphens
    BOOKS[1]["isbn"],                                       # ISBN-13
    isbn10(BOOKS[2]["isbn"]),                               # ISBN-10
    isbn10(BOOKS[3]["isbn"]) + "0073" + "0950",             # 18 bytes: code, class, price
    BOOKS[4]["isbn"] + "192" + "0073" + "002200",           # 26 bytes: code, -, class, price
    BOOKS[5]["isbn"],
    UNKNOWN_ISBN,                                           # not in the catalogue
    "1234567890",                                           # not an ISBN: skipped
]

AUTHORS = [
    # normalised name (the lookup key), name, reading, third value
    ("風見透", "風見 透", "カザミ トオル", "作曲家"),
    ("北条冬子", "北条 冬子", "ホウジョウ フユコ", ""),
    ("ｿﾗﾉﾊﾙｶ[編著]", "ソラノ ハルカ", "ソラノ ハルカ", "ギタリスト"),
]

PUBLISHERS = [
    ("8881", "ひばり楽譜出版"),
    ("8883", "つばめ&かもめ音楽社"),
    ("8884", "しらかば音楽出版"),
]

LABELS = [
    # publisher, normalised genre, label
    ("ひばり楽譜出版", "ﾋﾟｱﾉｿﾛ", "ピアノ曲集"),
    ("ひばり楽譜出版", "合唱", "合唱曲集"),
    ("つばめ&かもめ音楽社", "ｷﾞﾀ-教本", "ギター"),
]

SETTINGS = """[Entry]
PurachaseSet=購入予定
TaxSet=1
ReadSet=未読
"""


def write(path, text, encoding, newline="\n"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text.replace("\n", newline).encode(encoding))


def main():
    shutil.rmtree(SITE, ignore_errors=True)
    for book in BOOKS:
        write(os.path.join(SITE, "detail", escape_key(book["id"]) + ".html"),
              detail_page(book), "euc_jp")
        hits = [(book["id"], book["name"])]
        keys = [book["isbn"], isbn10(book["isbn"])]
        for key in keys:
            write(os.path.join(SITE, "search", escape_key(key) + ".html"),
                  search_page(key, hits), "euc_jp")
    write(os.path.join(SITE, "search", escape_key(UNKNOWN_ISBN) + ".html"),
          search_page(UNKNOWN_ISBN, []), "euc_jp")

    write(os.path.join(DATA, "AuthDB.dat"),
          "".join("|%s|%s|%s|%s|\n" % a for a in AUTHORS), "cp932", "\r\n")
    write(os.path.join(DATA, "PubDB.dat"),
          "".join("|%s|%s\n" % p for p in PUBLISHERS), "cp932", "\r\n")
    write(os.path.join(DATA, "LabelsDB.dat"),
          "".join("|%s|%s|%s\n" % l for l in LABELS), "cp932", "\r\n")
    write(os.path.join(HERE, "Setting.ini"), SETTINGS, "cp932", "\r\n")
    write(os.path.join(HERE, "codes.txt"), "".join(c + "\n" for c in CODES), "ascii", "\r\n")


if __name__ == "__main__":
    main()
