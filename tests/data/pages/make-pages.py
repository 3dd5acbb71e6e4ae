#!/usr/bin/env python3
"""Writes the detail pages used by tests/scrape as EUC-JP files.

The pages are invented books laid out like the catalogue site's detail pages.
Run from anywhere; the files are written next to this script:

    tests/data/pages/make-pages.py
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

BOOK = """\
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=EUC-JP">
<title>ピアノ名曲集 第3巻 &amp; more</title>
</head>
<body>
<div align="center"><img src="/images/item/12345.jpg" alt="ピアノ名曲集"></div>
<table>
<tr>
\t<div id="SyosaiItem">商品名：</div>
\t<div>ピアノ名曲集　第３巻</div>
</tr>
<tr><td>著者</td><td><a href="/search/author.php?Key=著者／あいう　監修／かきく">あいう</a></td></tr>
<tr>
\t<div id="SyosaiItem">出版社：</div>
\t<div><a href="/pub/1">楽譜出版</a></div>
</tr>
<tr>
\t<div id="SyosaiItem">サイズ：</div>
\t<div>菊倍判 / 96ページ</div>
</tr>
<tr>
\t<div id="SyosaiItem">ジャンル名：</div>
\t<div>ピアノ・ソロ</div>
</tr>
<tr>
\t<div id="SyosaiItem">初版日：</div>
\t<div>2005年3月10日</div>
</tr>
<tr>
\t<div id="SyosaiItem">定価：</div>
\t<div>：1,980円（税込）</div>
</tr>
<tr>
\t<div id="SyosaiItem">一口メモ：</div>
\t<div>やさしい　編曲で&quot;弾ける&quot;</div>
</tr>
</table>
<!-- 収載内容 start -->
<div id="SyusaiItem">1. 春の歌</div>
\t<div>作曲：あいう<br>編曲：かきく</div><!-- SysSyusaiNaiyou end -->
<div id="SyusaiItem">2. ﾄﾛｲﾒﾗｲ</div>
\t<div>作曲：さしす</div><!-- SysSyusaiNaiyou end -->
<!-- 収載内容 end -->
<p>ページの終わり</p>
</body>
</html>
"""

PAGES = {"book.html": BOOK}

for name, text in PAGES.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(text.replace("\n", "\r\n").encode("euc_jp"))
