#!/usr/bin/env python3
"""Checks KML files against the OGC KML 2.2 content model.

usage: kml22_check.py FILE.kml...    (exit 0 when every file is valid)

The model is tests/support/kml22/KML_2_2_0.json: the Jsonix mapping that the
ogc-schemas package (BSD-2-Clause, see LICENSE.ogc-schemas) generated from
OGC's ogckml22.xsd, turned into JSON. Debian ships no KML schema and the
test machines reach no other source of it, so this walks the mapping the way
a validating parser walks the schema: every element in the KML namespace
must be one its parent's type declares, in the schema's sequence order,
repeated only where the schema allows; elements that replace an abstract
one (Placemark for a feature, Style for a style selector) are taken through
their substitution groups; attributes must be declared; simple contents
must be of their type (doubles, booleans, integers, enumerations, ids,
hex colours). Elements of other namespaces are checked only for being
allowed there at all.
"""
import json
import os
import re
import sys
import xml.etree.ElementTree as ET

KML = "http://www.opengis.net/kml/2.2"
MODEL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "KML_2_2_0.json")
ENUM_OF = {"key": "StyleStateEnumType"}
NCNAME = re.compile(r"^[A-Za-z_][\w.\-]*$")


class Model:
    def __init__(self, path):
        with open(path, encoding="utf-8") as f:
            m = json.load(f)
        self.types = {t["ln"]: t for t in m["tis"]}
        self.elements = {e["en"]: e for e in m["eis"]}

    def heads(self, name):
        """The element itself and every head of its substitution chain."""
        seen = []
        while name and name not in seen:
            seen.append(name)
            name = self.elements.get(name, {}).get("sh")
        return seen

    def properties(self, type_name):
        """A complex type's properties, its bases' first (extension order)."""
        t = self.types[type_name]
        base = t.get("bti")
        own = t.get("ps", [])
        return (self.properties(base[1:]) if base else []) + own

    def element_type(self, prop, name):
        if "ti" in prop:
            return prop["ti"]
        if "ti" in self.elements.get(name, {}):
            return self.elements[name]["ti"]
        # The mapping types the enumerated elements as plain strings; the
        # schema names their enumerations after them (viewRefreshMode:
        # viewRefreshModeEnumType), but for a Pair's key.
        enum = ENUM_OF.get(name, name[:1].upper() + name[1:] + "EnumType")
        if self.types.get(enum, {}).get("t") == "enum":
            return "." + enum
        return "String"


def prop_name(prop):
    en = prop.get("en", prop["n"])
    if isinstance(en, dict):
        return "{%s}%s" % (en.get("ns", KML), en["lp"])
    return "{%s}%s" % (KML, en)


def local(tag):
    return tag.split("}", 1)[1] if tag.startswith("{") else tag


class Checker:
    def __init__(self, model, path):
        self.model = model
        self.path = path
        self.errors = []

    def fail(self, where, what):
        self.errors.append("%s: %s: %s" % (self.path, where, what))

    def matches(self, prop, element):
        kind = prop.get("t", "e")
        if kind == "e":
            return element.tag == prop_name(prop)
        if kind == "er":
            if not element.tag.startswith("{%s}" % KML):
                return False
            return local(prop_name(prop)) in self.model.heads(local(element.tag))
        if kind == "es":
            return any(element.tag == "{%s}%s" % (KML, e["en"]) for e in prop["etis"])
        if kind == "ae":
            return not element.tag.startswith("{%s}" % KML)
        return False

    def type_of(self, prop, element):
        kind = prop.get("t", "e")
        if kind == "er":
            return self.model.elements.get(local(element.tag), {}).get("ti", "String")
        if kind == "es":
            for e in prop["etis"]:
                if element.tag == "{%s}%s" % (KML, e["en"]):
                    return e["ti"]
        return self.model.element_type(prop, local(element.tag))

    def simple(self, where, type_ref, text):
        text = (text or "").strip()
        if isinstance(type_ref, dict):  # a list type: whitespace-separated items
            return
        if type_ref.startswith("."):
            t = self.model.types[type_ref[1:]]
            if t.get("t") == "enum" and text not in t["vs"]:
                self.fail(where, "%r is not one of %s" % (text, t["vs"]))
            return
        try:
            if type_ref == "Double":
                float(text)
            elif type_ref == "Int":
                int(text)
            elif type_ref == "Boolean" and text not in ("0", "1", "true", "false"):
                raise ValueError
            elif type_ref == "HexBinary":
                bytes.fromhex(text)
            elif type_ref in ("ID", "NCName") and not NCNAME.match(text):
                raise ValueError
        except ValueError:
            self.fail(where, "%r is not a %s" % (text, type_ref))

    def attributes(self, where, element, props):
        declared = {p["an"]["lp"]: p for p in props if p.get("t") == "a"}
        for name, value in element.attrib.items():
            if name.startswith("{"):
                continue  # xsi:schemaLocation and the like
            if name not in declared:
                self.fail(where, "attribute %s is not declared" % name)
            elif "ti" in declared[name]:
                self.simple("%s@%s" % (where, name), declared[name]["ti"], value)

    def element(self, element, type_ref, where):
        if isinstance(type_ref, dict) or not type_ref.startswith(".") or \
                self.model.types[type_ref[1:]].get("t") == "enum":
            if len(element):
                self.fail(where, "a simple element holds elements")
            self.simple(where, type_ref, element.text)
            return
        props = self.model.properties(type_ref[1:])
        self.attributes(where, element, props)
        if not any(p.get("t") == "v" for p in props):
            texts = [element.text] + [c.tail for c in element]
            if any(t and t.strip() for t in texts):
                self.fail(where, "text where only elements may stand")
        position = 0
        for child in element:
            if not isinstance(child.tag, str):
                continue  # comments and processing instructions
            at = "%s/%s" % (where, local(child.tag))
            for i in range(position, len(props)):
                if self.matches(props[i], child):
                    position = i if props[i].get("col") else i + 1
                    if child.tag.startswith("{%s}" % KML):
                        self.element(child, self.type_of(props[i], child), at)
                    break
            else:
                self.fail(at, "not allowed here (or out of the schema's order)")
                return

    def document(self):
        try:
            root = ET.parse(self.path).getroot()
        except ET.ParseError as e:
            self.fail("", "not well-formed: %s" % e)
            return
        if root.tag != "{%s}kml" % KML:
            self.fail("", "the root is %s, not kml in the KML 2.2 namespace" % root.tag)
            return
        self.element(root, ".KmlType", "/kml")


def main(paths):
    if not paths:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    model = Model(MODEL)
    errors = []
    for path in paths:
        c = Checker(model, path)
        c.document()
        errors += c.errors
    for e in errors[:50]:
        print(e)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
