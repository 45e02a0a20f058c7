"""Writes the operator's guide as one HTML page: guide_html.py GUIDE.md OUT.html

The headings get the anchors a Markdown page on the web gives them (lower case, punctuation
dropped, blanks as hyphens), so the guide's own links lead where they lead there.
"""
import html
import re
import sys

import markdown

STYLE = """
body { font-family: sans-serif; max-width: 60em; margin: 1em auto; padding: 0 1em; line-height: 1.4; }
table { border-collapse: collapse; margin: 0.5em 0; }
th, td { border: 1px solid #bbb; padding: 0.2em 0.5em; vertical-align: top; text-align: left; }
th { background: #eee; }
code, pre { background: #f4f4f4; }
pre { padding: 0.5em; overflow-x: auto; }
img { max-width: 100%; }
blockquote { border-left: 3px solid #bbb; margin-left: 0; padding-left: 1em; }
"""


def main(source, target):
    with open(source, encoding="utf-8") as f:
        text = f.read()
    converter = markdown.Markdown(extensions=["tables", "fenced_code", "toc"], output_format="html")
    body = converter.convert(text)
    # A link to a heading that is not there (renamed, or its anchor spelt otherwise) would lead
    # nowhere in the installed page: refuse to write it.
    anchors = set(re.findall(r' id="([^"]+)"', body))
    broken = sorted(set(re.findall(r' href="#([^"]+)"', body)) - anchors)
    if broken:
        sys.exit(f"{source}: links to headings that are not there: {', '.join(broken)}")
    title = text.splitlines()[0].lstrip("# ").strip()
    page = (
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        f"<title>{html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n<body>\n"
        f"{body}\n</body>\n</html>\n"
    )
    with open(target, "w", encoding="utf-8") as f:
        f.write(page)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: guide_html.py GUIDE.md OUT.html")
    main(sys.argv[1], sys.argv[2])
