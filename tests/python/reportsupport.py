"""What the report page tests share: the tarn-report and tarn-summary
commands of the build, the page's figures table read back, and the shipped
inputs copied to a run's folder."""
import html
import os
import re
import shutil

REPORT = os.environ["TARN_REPORT"]
SUMMARY = os.path.join(os.environ["TARN_BIN_DIR"], "tarn-summary")

def figure_rows(text):
    """The figures table: (label, as printed, with its error, from the counts), the markup of the error kept."""
    table = text[text.index('<table class="run" id="figures">'):]
    table = table[:table.index("</table>")]
    return [tuple(html.unescape(c) if i != 2 else c for i, c in enumerate(row)) for row in
            re.findall(r'<tr><td>(.*?)</td><td class="value">(.*?)</td><td class="error">(.*?)</td>'
                       r'<td class="counts">(.*?)</td></tr>', table)]


def shipped_inputs(folder):
    for name in ("lam.hbook", "gradx.hbook", "sq.hbook"):
        shutil.copy(os.path.join(os.environ["TARN_DATA_DIR"], name), folder)
