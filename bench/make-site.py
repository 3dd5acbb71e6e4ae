#!/usr/bin/env python3
"""Writes a large offline catalogue for the whole-run benchmark, from a seed.

    bench/make-site.py OUT [--seed N] [--books N]

OUT receives:
  site/search/KEY.html, site/detail/ID.html   the catalogue, in EUC-JP
  data/AuthDB.dat (20,000 lines), data/PubDB.dat (5,000), data/LabelsDB.dat
  (2,000)                                     the host's files, Shift_JIS, CR LF
  codes-N.txt                                 the first N codes, for N = the
                                              number of books and its half
  floor-N.txt                                 for the same codes, the search
                                              page and the detail page files,
                                              one pair per line, tab-separated

Every book has a detail page of about 40 KB with all ten markers: product
name (with a volume), cover image, publisher, size, an author row of three
credited names with roles and readings, genre, first-edition date, price,
memo, and a contents block of 20 items. Most credited names, publishers and
(publisher, genre) pairs are in the dictionaries, some are not. Everything is
invented; the same seed writes the same files.
"""
import argparse
import importlib.util
import os
import random
import shutil
import unicodedata

AUTHOR_LINES = 20000
PUBLISHER_LINES = 5000
LABEL_LINES = 2000
PAGE_BYTES = 40000
CONTENTS_ITEMS = 20

FAMILY = "青赤秋浅朝東天新有安井池石泉市伊稲今岩上内宇梅江遠大岡小奥尾川北木草栗黒桑小坂桜佐里沢塩柴島清白杉鈴関高竹田谷千辻土寺戸富中永西野橋長畑花浜林原春平広福藤星堀本前松丸水宮村森矢山湯横吉若和"
GIVEN = "彰明朗章篤歩綾功勇一和克清潔健賢悟聡茂静純翔進誠卓忠司努哲徹豊直仁信博寛弘浩史文誠実稔守恵優裕豊洋陽良亮涼礼玲和"
KANA = "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわ"
WORDS = ["春", "夏", "秋", "冬", "風", "雪", "月", "花", "星", "空", "海", "川", "森", "鳥", "歌",
         "夢", "光", "影", "朝", "夜", "街", "丘", "湖", "雨", "虹", "港", "道", "窓", "灯", "鐘"]
KINDS = ["ピアノ小品集", "名曲選", "ギター曲集", "合唱曲集", "練習曲", "ソナチネ", "連弾曲集",
         "アンサンブル集", "教本", "ポピュラー曲集", "童謡集", "ジャズ・スタンダード集"]
PUB_HEADS = ["ひばり", "つばめ", "かもめ", "しらかば", "みなと", "こだま", "やまびこ", "さくら",
             "かえで", "すずらん", "あおば", "わかば", "ほたる", "しずく", "みずほ", "ひかり",
             "あかね", "もみじ", "こはる", "あさひ", "ゆうひ", "なぎさ", "そよかぜ", "はるか",
             "みどり", "あやめ", "つばき", "すみれ", "ききょう", "なでしこ", "ひまわり", "れんげ",
             "たんぽぽ", "こぶし", "まつば", "いちょう", "くるみ", "どんぐり", "ささぶね", "かざぐるま",
             "ふうりん", "てまり", "おりがみ", "けやき", "ぶなの木", "白樺", "北斗", "銀河", "青空",
             "若草", "朝霧", "夕凪", "星影", "月光", "雪国", "花園", "森の", "湖畔", "港町", "丘の上",
             "山彦", "水辺", "野の花", "風車", "灯台", "鐘の音", "小径", "石畳", "木もれ日", "雲雀"]
PUB_TAILS = ["楽譜出版", "音楽社", "音楽出版", "ミュージック", "楽譜", "書房", "出版", "音楽之友",
             "楽譜社", "音楽館", "ミュージックメディア", "楽器出版", "音楽工房", "楽譜工房",
             "ハーモニー", "アンサンブル社", "メロディ出版", "リズム社", "サウンド", "楽譜センター",
             "音楽研究所", "音楽企画", "楽譜舎", "合唱社", "ピアノ社", "ギター社", "吹奏楽社",
             "弦楽社", "管楽社", "打楽器社", "声楽社", "童謡社", "唱歌社", "楽典社", "和声社",
             "対位法社", "作曲社", "編曲社", "演奏社", "教育出版", "文化社", "芸術社", "図書",
             "出版社", "プレス", "ブックス", "エディション", "パブリッシング", "レコード",
             "メディア", "スタジオ", "工房", "舎", "堂", "館", "院", "会", "社中", "文庫", "楽社",
             "音楽院", "楽譜堂", "楽譜館", "楽譜院", "楽譜会", "楽譜舎中", "譜面社", "譜面堂",
             "譜面館", "譜面舎", "譜面院", "譜面会"]
GENRES = ["ピアノ・ソロ", "ギター・ソロ", "合唱", "吹奏楽", "ピアノ連弾", "エレクトーン",
          "バイオリン", "フルート", "ドラム", "ベース", "ウクレレ", "オカリナ", "ハーモニカ",
          "声楽", "ジャズ・ピアノ", "ポピュラー", "クラシック", "童謡・唱歌", "映画音楽",
          "ゲーム音楽"]
ROLES = ["著者", "監修", "編著", "編曲", "訳", "解説"]
SIZES = ["菊倍判", "A4", "A4変型", "B5", "A5", "四六判"]


def sample_catalogue():
    """The sample catalogue's script, examples/make-site.py: the pages here
    have its layout (HEADER, FOOTER) and its ISBNs' check digits (isbn13)."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples",
                        "make-site.py")
    found = importlib.util.spec_from_file_location("sample_catalogue", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


SAMPLE = sample_catalogue()
HEADER, FOOTER, isbn13 = SAMPLE.HEADER, SAMPLE.FOOTER, SAMPLE.isbn13


def half_width(text):
    """What the platform's half-width mapping makes of a text: full-width
    ASCII and the ideographic space become ASCII, katakana become half-width
    katakana (with separate voicing marks), the long vowel mark its
    half-width form."""
    out = []
    for ch in text:
        code = ord(ch)
        if 0xFF01 <= code <= 0xFF5E:
            out.append(chr(code - 0xFEE0))
        elif ch == "\u3000":
            out.append(" ")
        elif ch == "ー":
            out.append("ｰ")
        elif "ァ" <= ch <= "ヶ":
            base = unicodedata.normalize("NFD", ch)
            out.append(HALF_KATAKANA.get(base[0], base[0]))
            if len(base) > 1:
                out.append("ﾞ" if base[1] == "\u3099" else "ﾟ")
        else:
            out.append(ch)
    return "".join(out)


HALF_KATAKANA = {unicodedata.normalize("NFKC", chr(c)): chr(c) for c in range(0xFF66, 0xFF9E)}


def dictionary_key(text):
    """The host's key form of a name or genre (the plug-in's
    NormaliseDictionaryKey)."""
    for mark in "・☆★♪":
        text = text.replace(mark, "")
    text = text.replace("ニ", "二")
    text = half_width(text).replace(" ", "").replace("ｰ", "-")
    return text.strip()


def people(rng):
    """AUTHOR_LINES distinct names, each with a reading and a third value."""
    names, seen = [], set()
    while len(names) < AUTHOR_LINES:
        family = "".join(rng.choice(FAMILY) for _ in range(2))
        given = "".join(rng.choice(GIVEN) for _ in range(rng.choice((1, 2))))
        if family + given in seen:
            continue
        seen.add(family + given)
        reading = "".join(rng.choice(KANA) for _ in range(rng.randint(5, 9)))
        names.append((family, given, reading))
    return names


def publishers(rng):
    """PUBLISHER_LINES publishers with prefix-free codes of 4 to 6 digits."""
    names = [h + t for h in PUB_HEADS for t in PUB_TAILS]
    rng.shuffle(names)
    prefixes, taken, leading = [], set(), set()
    while len(prefixes) < PUBLISHER_LINES:
        prefix = "".join(rng.choice("0123456789") for _ in range(rng.choice((4, 5, 6))))
        if prefix in leading or any(prefix[:n] in taken for n in range(2, len(prefix) + 1)):
            continue
        taken.add(prefix)
        leading.update(prefix[:n] for n in range(2, len(prefix) + 1))
        prefixes.append(prefix)
    return list(zip(prefixes, names[:PUBLISHER_LINES]))


def phrase(rng, n):
    return "".join(rng.choice(WORDS) + rng.choice("のとにへ") for _ in range(n))[:-1]


def product_name(rng, index):
    title = phrase(rng, 2) + rng.choice(KINDS)
    style = index % 6
    volume = rng.randint(1, 30)
    if style == 0:
        return "%s　第%s巻" % (title, "".join(chr(0xFF10 + int(d)) for d in str(volume)))
    if style == 1:
        return "%s Vol.%d" % (title, volume)
    if style == 2:
        return "%s (%d)" % (title, volume)
    if style == 3:
        return "%s〈混声〉" % title
    if style == 4:
        return "%s No.%d(CD付)" % (title, volume)
    return title


def edition_date(rng, index):
    y, m, d = rng.randint(1985, 2023), rng.randint(1, 12), rng.randint(1, 28)
    return ["%d年%d月%d日" % (y, m, d), "%d.%02d.%02d" % (y, m, d), "%d%02d%02d" % (y, m, d),
            "%d/%d" % (y, m), "%02d年%d月" % (y % 100, m)][index % 5]


def credit(rng, names, index):
    """Three credited people: two from the author dictionary, one that is
    not there (every tenth book has none from the dictionary)."""
    parts = []
    for k in range(3):
        if k < 2 and index % 10 != 9:
            family, given, reading = names[rng.randrange(len(names))]
            name = family + given
        else:
            name = "".join(rng.choice(KANA) for _ in range(4)) + "楽団"
            reading = ""
        role = ROLES[(index + k) % len(ROLES)]
        parts.append("%s／%s%s" % (role, name, "［%s］" % reading if reading else ""))
    return "　".join(parts)


def filler(rng, count, start):
    """Recommendation rows: links, titles, prices, as a shop page has them."""
    rows = []
    for k in range(count):
        rows.append('<li class="Osusume"><a href="/detail/view.php?id=R%06d">%s%s</a>'
                    '&nbsp;<span class="Price">%s円</span>&nbsp;<span class="Note">%s</span></li>\n'
                    % (start + k, phrase(rng, 3), rng.choice(KINDS),
                       "{:,}".format(rng.randint(5, 60) * 110), phrase(rng, 4)))
    return rows


def detail_page(rng, book, names):
    head = [HEADER.format(title=book["name"]), '<div id="Navi">\n']
    head += filler(rng, 20, 0)
    head.append("</div>\n")
    body = ['<div align="center"><img src="/images/cover/%s.jpg" alt="%s"></div>\n'
            % (book["id"], book["name"])]

    def item(label, value):
        body.append('<div id="SyosaiItem">%s</div>\n' % label)
        body.append('\t<div id="SyosaiValue">%s</div>\n' % value)

    item("商品名：", book["name"])
    item("出版社：", book["publisher"])
    item("サイズ：", rng.choice(SIZES))
    body.append('<table class="Author"><tr><td>著者</td>'
                '<td><a href="/search/author.php?Key=%s">%s</a></td></tr></table>\n'
                % (book["credit"], book["credit"].split("／")[-1]))
    item("ジャンル名：", book["genre"])
    item("初版日：", book["date"])
    item("定価：", "：{:,}円（税込）".format(book["price"]))
    item("一口メモ：", "%s。&quot;%s&quot;ほか全%d曲を収載。" % (phrase(rng, 5), phrase(rng, 2),
                                                     CONTENTS_ITEMS))
    body.append('<div id="SyusaiTitle">収載曲</div>\n')
    body.append("<!-- 収載内容 start -->\n")
    for number in range(1, CONTENTS_ITEMS + 1):
        body.append('<div id="SyusaiItemNo">%02d.</div>\n' % number)
        family, given, _ = names[rng.randrange(len(names))]
        body.append('<div id="SyusaiItemName">%s<br>作曲：%s %s</div>%s\n'
                    % (phrase(rng, 2), family, given,
                       "<!-- SysSyusaiNaiyou end -->" if number % 4 == 0 else ""))
    body.append("<!-- 収載内容 end -->\n")
    tail = ['<div id="Osusume">\n']
    size = len("".join(head + body).encode("euc_jp")) + len(FOOTER.encode("euc_jp"))
    start = 100
    while size < PAGE_BYTES:
        row = filler(rng, 1, start)
        start += 1
        size += len(row[0].encode("euc_jp"))
        tail += row
    tail.append("</div>\n")
    return "".join(head + body + tail) + FOOTER


def search_page(key, book):
    return (HEADER.format(title="検索結果")
            + "<p>「%s」の検索結果：1件</p>\n<table>\n<tr>\n" % key
            + '  <td><a href="/detail/view.php?id=%s">%s</a></td>\n' % (book["id"], book["name"])
            + "  <td>在庫あり</td>\n</tr>\n</table>\n" + FOOTER)


def write(path, text, encoding, newline="\n"):
    with open(path, "wb") as f:
        f.write(text.replace("\n", newline).encode(encoding))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out")
    parser.add_argument("--seed", type=int, default=9)
    parser.add_argument("--books", type=int, default=2000)
    args = parser.parse_args()
    rng = random.Random(args.seed)

    names = people(rng)
    pubs = publishers(rng)
    labelled = pubs[:LABEL_LINES // len(GENRES)]  # publishers with labels for every genre

    shutil.rmtree(args.out, ignore_errors=True)
    for folder in ("site/search", "site/detail", "data"):
        os.makedirs(os.path.join(args.out, folder))

    books = []
    for index in range(args.books):
        # Four in five books come from a publisher with labels.
        prefix, publisher = rng.choice(labelled if index % 5 else pubs)
        stem = "9784" + prefix
        stem += "".join(rng.choice("0123456789") for _ in range(12 - len(stem)))
        books.append({
            "id": "B%06d" % index,
            "isbn": isbn13(stem),
            "name": product_name(rng, index),
            "publisher": publisher,
            "credit": credit(rng, names, index),
            "genre": rng.choice(GENRES),
            "date": edition_date(rng, index),
            "price": rng.randint(8, 60) * 110,
        })
    site = os.path.join(args.out, "site")
    for book in books:
        write(os.path.join(site, "detail", book["id"] + ".html"),
              detail_page(rng, book, names), "euc_jp")
        write(os.path.join(site, "search", book["isbn"] + ".html"),
              search_page(book["isbn"], book), "euc_jp")

    data = os.path.join(args.out, "data")
    write(os.path.join(data, "AuthDB.dat"),
          "".join("|%s|%s %s|%s||\n" % (dictionary_key(f + g), f, g, r) for f, g, r in names),
          "cp932", "\r\n")
    write(os.path.join(data, "PubDB.dat"), "".join("|%s|%s\n" % p for p in pubs), "cp932", "\r\n")
    write(os.path.join(data, "LabelsDB.dat"),
          "".join("|%s|%s|%s楽譜\n" % (publisher, dictionary_key(genre), genre.replace("・", ""))
                  for _, publisher in labelled for genre in GENRES),
          "cp932", "\r\n")

    for count in sorted({args.books // 2, args.books}):
        write(os.path.join(args.out, "codes-%d.txt" % count),
              "".join(b["isbn"] + "\n" for b in books[:count]), "ascii", "\r\n")
        write(os.path.join(args.out, "floor-%d.txt" % count),
              "".join("%s\t%s\n" % (os.path.join(site, "search", b["isbn"] + ".html"),
                                    os.path.join(site, "detail", b["id"] + ".html"))
                      for b in books[:count]), "utf-8")


if __name__ == "__main__":
    main()
