#!/usr/bin/env bash
# Measures the peak resident size of lookup runs through the stand-in host
# program, with /usr/bin/time -v (package "time"):
#   - pages of 40 MB (random bytes without a zero byte with the page's markers
#     spliced in, and a page of half a million lines) against a small page:
#     the peak must stay well under 1 GB;
#   - a run of 10,000 codes against a run of 100 (the sample code list over
#     and over, against the sample catalogue): beyond the output lines
#     themselves, the longer run's peak must be no more than twice the
#     shorter one's.
# Run by hand; prints a table and exits non-zero when a bound is broken.
#
#   tools/measure-memory.sh [BUILD_DIR]
#
# BUILD_DIR holds hakobune and libkanadeya.so (default build/native, built
# when missing). Nothing outside a temporary folder is written.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
if [ ! -x "$build/hakobune" ] || [ ! -f "$build/libkanadeya.so" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target hakobune kanadeya
  build=build/native
fi
if [ ! -x /usr/bin/time ]; then
  echo "measure-memory: /usr/bin/time is missing (apt-get install time)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
app="$work/app"
mkdir -p "$app"
cp "$build/hakobune" "$build/libkanadeya.so" examples/Setting.ini "$app/"

# The site: the sample catalogue plus three pages of our own for one code.
cp -R examples/site "$work/site"
python3 - "$work" <<'EOF'
import os, random, sys
sys.path.insert(0, os.path.join(os.getcwd(), "tests", "e2e"))
import test_bad_input as b

work = sys.argv[1]
def put(relative, data):
    with open(os.path.join(work, relative), "wb") as f:
        f.write(data)

size = 40 << 20
rng = random.Random(7)
raw = rng.randbytes(size).replace(b"\x00", b"\x01")
marks = [b.NAME_MARK, b.PUBLISHER_MARK, b.GENRE_MARK, b.PRICE_MARK, b.MEMO_MARK, b.DATE_MARK,
         b.CONTENTS_START, b.CONTENTS_END, b.CONTENTS_ITEM, b.ITEM_END, b.IMAGE_MARK,
         b.author_row(b"")]
put("site/detail/random.html", b"".join(
    raw[i:i + 4096] + b"\n" + rng.choice(marks) + raw[i:i + rng.randrange(300)]
    for i in range(0, size, 4096)))

lines = [b.NAME_MARK, b.marker("ピアノ名曲集 第3巻")]
total = 0
while total < size:
    n = len(lines)
    more = [b.MEMO_MARK, b"m%d" % n] if n % 1000 == 0 else [b"<p>line %d of the page</p>" % n]
    total += sum(len(line) + 1 for line in more)
    lines += more
put("site/detail/lines.html", b.page(*lines))
put("site/detail/small.html", b.page(b.NAME_MARK, b.marker("小さな本")))

codes = open(os.path.join("examples", "codes.txt"), "rb").read().split(b"\r\n")[:-1]
for count in (100, 10000):
    put("codes-%d.txt" % count, b"".join(codes[i % len(codes)] + b"\r\n" for i in range(count)))
EOF

# Runs one lookup; prints "peak-kB output-bytes".
measure() {
  local site=$1 codes=$2
  rm -rf "$work/data" "$work/out.csv"
  cp -R examples/data "$work/data"
  /usr/bin/time -v -o "$work/time.txt" "$app/hakobune" lookup --quiet --data-dir "$work/data" \
    --out "$work/out.csv" --site "$site" --codes "$codes"
  local peak
  peak=$(sed -n 's/^\s*Maximum resident set size (kbytes): //p' "$work/time.txt")
  echo "$peak $(stat -c %s "$work/out.csv" 2>/dev/null || echo 0)"
}

# One code whose detail page is the given page of our own.
page_site() {
  rm -rf "$work/one"
  mkdir -p "$work/one/search" "$work/one/detail"
  printf '<html>\n<td><a href="/detail/view.php?id=p">x</a></td>\n' \
    >"$work/one/search/9784888100113.html"
  cp "$work/site/detail/$1.html" "$work/one/detail/p.html"
  printf '9784888100113\r\n' >"$work/one-code.txt"
  measure "$work/one" "$work/one-code.txt"
}

mb() { awk -v k="$1" 'BEGIN { printf "%8.1f MB", k / 1024 }'; }
row() { printf '%-44s %s   output %8d kB\n' "$1" "$(mb "$2")" $(($3 / 1024)); }

read -r small_peak small_out < <(page_site small)
read -r random_peak random_out < <(page_site random)
read -r lines_peak lines_out < <(page_site lines)
read -r c100_peak c100_out < <(measure "$work/site" "$work/codes-100.txt")
read -r c10k_peak c10k_out < <(measure "$work/site" "$work/codes-10000.txt")

echo "peak resident size of hakobune lookup (host program and plug-in):"
row "small detail page" "$small_peak" "$small_out"
row "40 MB page of random bytes, markers spliced" "$random_peak" "$random_out"
row "40 MB page of $(($(wc -l <"$work/site/detail/lines.html") / 1000))k lines" \
  "$lines_peak" "$lines_out"
row "100 codes, sample catalogue" "$c100_peak" "$c100_out"
row "10,000 codes, sample catalogue" "$c10k_peak" "$c10k_out"

# The output lines are held once as lines and once as the file's text when
# it is written: that much of the longer run's peak is the lines themselves.
status=0
limit_kb=$((1024 * 1024 / 2))
for peak in "$random_peak" "$lines_peak"; do
  if [ "$peak" -ge "$limit_kb" ]; then
    echo "FAIL: a 40 MB page peaks at $(mb "$peak"), not well under 1 GB (limit 512 MB)"
    status=1
  fi
done
beyond_kb=$((c10k_peak - 2 * c10k_out / 1024))
echo "10,000 codes less twice their output: $(mb "$beyond_kb"), against twice 100 codes: $(mb $((2 * c100_peak)))"
if [ "$beyond_kb" -gt $((2 * c100_peak)) ]; then
  echo "FAIL: the long run holds more than the output lines"
  status=1
fi
exit $status
