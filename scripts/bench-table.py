#!/usr/bin/env python3
"""Builds the benchmark table from the JSON results that scripts/run-bench leaves behind."""
import json
import statistics
import sys
from pathlib import Path

UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def load_medians(folder):
    """Median real time (ms) and counters of every benchmark, by run name."""
    runs = {}
    for path in sorted(Path(folder).glob("bench_*.json")):
        try:
            data = json.loads(path.read_text())
        except ValueError:
            print(f"run-bench: {path.name} is not readable JSON (see its .log)", file=sys.stderr)
            continue
        for b in data.get("benchmarks", []):
            if b.get("error_occurred"):
                print(f"run-bench: {b['name']}: {b.get('error_message')}", file=sys.stderr)
                continue
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            name = b.get("run_name", b["name"]).split("/iterations:")[0]
            b["ms"] = b["real_time"] * UNIT_MS[b.get("time_unit", "ns")]
            runs[name] = b
    return runs


def fmt_ms(v):
    return f"{v:.3f} ms" if v < 1 else f"{v:.1f} ms" if v < 100 else f"{v:.0f} ms"


class Table:
    def __init__(self):
        self.rows = []

    def add(self, figure, value, reference, ref_value, target_text, within, fmt=fmt_ms):
        if value is None or ref_value is None:
            self.rows.append([figure, "missing", reference, "missing", "-", target_text, "no"])
            return
        ratio = value / ref_value if ref_value else float("inf")
        verdict = "-" if within is None else ("yes" if within(value, ratio) else "no")
        self.rows.append([figure, fmt(value), reference, fmt(ref_value), f"{ratio:.2f}x",
                          target_text, verdict])

    def markdown(self):
        head = ["Figure", "Value", "Reference", "Reference value", "Ratio", "Target", "Within"]
        lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
        lines += ["| " + " | ".join(r) + " |" for r in self.rows]
        return "\n".join(lines)


def ratio_at_most(limit):
    return lambda value, ratio: ratio <= limit


def value_under(limit_ms):
    return lambda value, ratio: value < limit_ms


def main(folder):
    r = load_medians(folder)
    ms = lambda name: r[name]["ms"] if name in r else None
    t = Table()

    for db, label in (("0", "400 KB"), ("1", "5 MiB")):
        for present, what in (("1", "last entry"), ("0", "absent")):
            key = f"db5MiB:{db}/present:{present}"
            t.add(f"Mineral lookup, {label} database, {what}", ms(f"BM_MineralLookup/{key}"),
                  "bare substring search", ms(f"BM_MineralBareFind/{key}"), "<= 2x",
                  ratio_at_most(2))
    for present, what in (("1", "last entry"), ("0", "absent")):
        t.add(f"Locality completion, 10,000 entries, {what}",
              ms(f"BM_LocalityCompletion/present:{present}"), "bare substring search",
              ms(f"BM_LocalityBareFind/present:{present}"), "<= 2x", ratio_at_most(2))

    for pages in ("1", "10"):
        t.add(f"Save report, {pages} page(s)", ms(f"BM_SaveReport/{pages}"), "file copy",
              ms(f"BM_CopyFile/{pages}"), "<= 1.5x", ratio_at_most(1.5))
        t.add(f"Save report, {pages} page(s)", ms(f"BM_SaveReport/{pages}"),
              "file copy via temporary file, synced and renamed",
              ms(f"BM_CopyFileAtomic/{pages}"), "<= 1.5x", ratio_at_most(1.5))
        t.add(f"Load report, {pages} page(s)", ms(f"BM_LoadReport/{pages}"), "file copy",
              ms(f"BM_CopyFile/{pages}"), "<= 1.5x", ratio_at_most(1.5))

    kib_bytes = lambda v: f"{v / 1024:.0f} KiB"
    kib = lambda v: f"{v / 1024:.1f} MiB"
    size = lambda name: r.get(name, {}).get("file_bytes")
    t.add("PDF of a 15-label sheet, labels lossless (Flate)", size("BM_SheetPdf/lossless:1"),
          "same page, labels as Qt's default JPEG", size("BM_SheetPdf/lossless:0"),
          "report only", None, fmt=kib_bytes)
    t.add("PDF of a 15-label sheet, time to write (lossless)", ms("BM_SheetPdf/lossless:1"),
          "same page with JPEG labels", ms("BM_SheetPdf/lossless:0"), "report only", None)
    t.add("Report file of a 15-label sheet, compressed", size("BM_SaveSheetReport/compressed:1"),
          "the same file plain", size("BM_SaveSheetReport/compressed:0"), "report only", None,
          fmt=kib_bytes)
    t.add("Save report, 15-label sheet, compressed", ms("BM_SaveSheetReport/compressed:1"),
          "saved plain", ms("BM_SaveSheetReport/compressed:0"), "report only", None)
    t.add("Load report + page 1 read, 15-label sheet, compressed",
          ms("BM_LoadSheetReport/compressed:1"), "the plain file",
          ms("BM_LoadSheetReport/compressed:0"), "report only", None)

    t.add("Render and preview, 15 labels, click to page painted",
          ms("BM_RenderAndPreview/15/0"), "bare copy + draw of the 15 images",
          ms("BM_BareCopyDraw15"), "report only", None)
    base = ms("BM_RenderAndPreview/15/0")
    per = {}
    for lines in (100, 1000):
        total = ms(f"BM_RenderAndPreview/{lines}/0")
        per[lines] = (total - base) / (lines - 15) if total is not None and base else None
    t.add("Time per extra label, 1,000 lines", per[1000], "time per extra label, 100 lines",
          per[100], "<= 1.5x (linear)", ratio_at_most(1.5))
    big = r.get("BM_RenderAndPreview/1000/0", {})
    r300 = r.get("BM_RenderAndPreview/300/0", {})
    r300all = r.get("BM_RenderAndPreview/300/1", {})
    t.add("Render and preview, 300 labels (20 pages), click to first page painted",
          ms("BM_RenderAndPreview/300/0"), "goal", 1500.0, "< 1.5 s", value_under(1500))
    t.add("Render and preview, 300 labels, click to all 20 pages recorded",
          ms("BM_RenderAndPreview/300/1"), "the same to the first page painted",
          ms("BM_RenderAndPreview/300/0"), "report only", None)
    t.add("Peak memory (VmHWM), 300 labels, to all 20 pages recorded", r300all.get("peak_KiB"),
          "goal", 150 * 1024.0, "< 150 MiB", value_under(150 * 1024), fmt=kib)
    t.add("Peak memory (VmHWM), 300 labels, to all 20 pages recorded", r300all.get("peak_KiB"),
          "resident before the run", r300all.get("rss_before_KiB"), "report only", None, fmt=kib)
    t.add("Render and preview, 300 labels, click to first page painted",
          ms("BM_RenderAndPreview/300/0"), "the same for 15 labels", ms("BM_RenderAndPreview/15/0"),
          "report only", None)
    t.add("Peak memory (VmHWM), 1,000-line render", big.get("peak_KiB"),
          "resident before the run", big.get("rss_before_KiB"), "report only", None, fmt=kib)

    huge = r.get("BM_RenderAndPreview/50000/0", {})
    huge_all = r.get("BM_RenderAndPreview/50000/1", {})
    t.add("Render and preview, 50,000 labels (3,334 pages), click to first page painted",
          ms("BM_RenderAndPreview/50000/0"), "goal", 2000.0, "< 2 s", value_under(2000))
    t.add("Render and preview, 50,000 labels, click to first page painted",
          ms("BM_RenderAndPreview/50000/0"), "the same for 300 labels",
          ms("BM_RenderAndPreview/300/0"), "report only", None)
    t.add("Peak memory (VmHWM), 50,000 labels, to first page painted", huge.get("peak_KiB"),
          "goal", 300 * 1024.0, "< 300 MiB", value_under(300 * 1024), fmt=kib)
    t.add("Peak memory (VmHWM), 50,000 labels, to first page painted", huge.get("peak_KiB"),
          "resident before the run", huge.get("rss_before_KiB"), "report only", None, fmt=kib)
    t.add("Render and preview, 50,000 labels, click to all 3,334 pages recorded",
          ms("BM_RenderAndPreview/50000/1"), "the same to the first page painted",
          ms("BM_RenderAndPreview/50000/0"), "report only", None)
    t.add("Peak memory (VmHWM), 50,000 labels, to all 3,334 pages recorded",
          huge_all.get("peak_KiB"), "goal", 300 * 1024.0, "< 300 MiB",
          value_under(300 * 1024), fmt=kib)
    mib_bytes = lambda v: f"{v / 1048576:.0f} MiB"
    t.add("Page store, 50,000 labels, all 3,334 pages (kept compressed)",
          huge_all.get("store_bytes"), "the store's limit (2 GiB - 1)", float(0x7FFFFFFF),
          "report only", None, fmt=mib_bytes)

    t.add("Compose one label (10-character formula)", ms("BM_ComposeLabel"),
          "bare background copy + the same drawText calls", ms("BM_BareCopyAndDrawText"),
          "report only", None)
    per_label = ms("BM_Compose1000") / 1000 if ms("BM_Compose1000") else None
    t.add("Compose 1,000 labels, per label", per_label, "one label alone",
          ms("BM_ComposeLabel"), "<= 1.5x (no growth)", ratio_at_most(1.5))
    t.add("Sheet metafile: record + bytes + read + play 100%", ms("BM_RecordSerialisePlay"),
          "bare draw of the 15 images", ms("BM_BareImageDraw"), "report only", None)
    t.add("Sheet metafile: play at 100%", ms("BM_Play/100"), "page drawn directly, 100%",
          ms("BM_DrawDirect/100"), "<= 2x", ratio_at_most(2))
    t.add("Sheet metafile: play at 200%", ms("BM_Play/200"), "page drawn directly, 200%",
          ms("BM_DrawDirect/200"), "report only", None)
    emf = r.get("BM_Play/100", {}).get("emf_bytes")
    frame = 16.0
    t.add("Preview 1920x1080: zoom change to next frame", ms("BM_ZoomChangeToFrame"),
          "one frame at 60 Hz", frame, "< 16 ms", value_under(16))
    t.add("Preview 1920x1080: resize to next frame, fixed zoom",
          ms("BM_ResizeToFrame/pageWidth:0"), "one frame at 60 Hz", frame, "< 16 ms",
          value_under(16))
    t.add("Preview 1920x1080: resize to next frame, page width",
          ms("BM_ResizeToFrame/pageWidth:1"), "one frame at 60 Hz", frame, "< 16 ms",
          value_under(16))
    t.add("Preview 1920x1080: repaint, same zoom", ms("BM_RepaintSameZoom"), "2 ms budget", 2.0,
          "< 2 ms", value_under(2))

    add_big, add_small = ms("BM_AddToList/50000"), ms("BM_AddToList/10")
    t.add("Add data to list, 50,000 records (with the counter)", add_big, "goal", 5.0, "< 5 ms",
          value_under(5))
    t.add("Add data to list, 50,000 records", add_big, "the same, 10 records", add_small,
          "report only", None)
    # Each iteration types a letter and its Backspace: two keystrokes.
    key = lambda name: ms(name) / 2 if ms(name) is not None else None
    key_big, key_small = key("BM_KeystrokeInList/50000"), key("BM_KeystrokeInList/10")
    t.add("Keystroke in the list box to next frame, 50,000 records", key_big, "one frame at 60 Hz",
          frame, "< 16 ms", value_under(16))
    t.add("Keystroke in the list box to next frame, 50,000 records", key_big,
          "the same, 10 records", key_small, "report only", None)
    t.add("Open list, 50,000 records (RTF), into the box", ms("BM_OpenList/50000"),
          "Add data to list, 50,000 records", add_big, "report only", None)
    t.add("Open list, 8 MiB of line breaks: refused", ms("BM_OpenList/0"), "goal", 2000.0,
          "< 2 s", value_under(2000))
    t.add("Peak memory (VmHWM), 8 MiB of line breaks refused",
          r.get("BM_OpenList/0", {}).get("peak_KiB"), "goal", 300 * 1024.0, "< 300 MiB",
          value_under(300 * 1024), fmt=kib)

    startup = {}
    try:
        startup = json.loads((Path(folder) / "startup.json").read_text())
    except (OSError, ValueError):
        pass
    prog = [v for v in startup.get("qlxrender_ms", []) if v >= 0]
    empty = [v for v in startup.get("empty_window_ms", []) if v >= 0]
    t.add(f"Start-up to window shown, median of {len(prog)} (Xvfb)",
          statistics.median(prog) if prog else None,
          f"empty Qt Widgets window, median of {len(empty)}",
          statistics.median(empty) if empty else None, "<= 1.3x", ratio_at_most(1.3))

    print(t.markdown())
    if emf:
        print(f"\nSheet page metafile: {emf / 1e6:.1f} MB. Times are medians of the repetitions "
              "(wall clock).")


if __name__ == "__main__":
    main(sys.argv[1])
