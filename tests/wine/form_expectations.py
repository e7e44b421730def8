"""Expectations of the shown windows, made from the form that the application image carries:
for every unit that is shown, its control identifier (100 + its index in the window), the class of
its control, its place in the window's client area, its caption or content, and whether it is
disabled or checked. The end-to-end test compares the running windows with these.

usage: form_expectations.py IMAGE.json OUT.json
"""
import json
import sys

CLASS_OF = {"label": "Static", "shape_box": "Static", "edit_box": "Edit", "button": "Button",
            "check_box": "Button", "radio_button": "Button", "group_box": "Button",
            "combo_box": "ComboBox", "list_box": "ListBox"}
# The host's identifier of a control: this plus the unit's index in its window.
FIRST_CONTROL_ID = 100


def text_of(unit):
    blob = unit.get("blob") or {}
    if unit["type"] == "edit_box":
        return blob.get("content", "")
    if unit["type"] in ("combo_box", "list_box", "shape_box"):
        return ""
    return blob.get("caption", "")


def window_expectations(window):
    units = window["units"]
    self_unit = units[0]
    by_id = {u["id"].lower(): u for u in units}
    controls = []
    for index, unit in enumerate(units):
        if unit["type"] not in CLASS_OF or "visible" not in unit.get("flags", []):
            continue
        place = dict(unit["place"])
        parent = unit.get("parent")
        if parent:
            outer = by_id[parent.lower()]["place"]
            place["left"] += outer["left"]
            place["top"] += outer["top"]
        blob = unit.get("blob") or {}
        expected = {"id": FIRST_CONTROL_ID + index, "name": unit.get("name", ""), "type": unit["type"],
                    "class": CLASS_OF[unit["type"]], "x": place["left"], "y": place["top"],
                    "w": place["width"], "h": place["height"], "text": text_of(unit),
                    "disabled": "disabled" in unit.get("flags", [])}
        if unit["type"] in ("check_box", "radio_button"):
            expected["checked"] = blob.get("checked", 0)
        if unit["type"] == "combo_box":
            expected["items"] = blob.get("items", [])
        controls.append(expected)
    self_blob = self_unit.get("blob") or {}
    return {"window": window["id"], "caption": self_blob.get("caption", ""), "place": self_unit["place"],
            "controls": controls}


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as f:
        image = json.load(f)
    form = next(s["form"] for s in image["segments"] if s["name"] == "form")
    out = {w["id"].lower(): window_expectations(w) for w in form["windows"]}
    with open(argv[2], "w", encoding="utf-8") as f:
        json.dump(out, f, ensure_ascii=False, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
