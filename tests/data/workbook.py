# "make PATH SNIPPET" builds a workbook with openpyxl. The snippet sees wb and ws (sheet "Tabelle1"),
# sheet(rows) and inline(ref, text) for parts written by hand, and may set shared (text goes into a
# shared string table, as the spreadsheet program keeps it), chain (the cells a calculation chain
# lists, as the spreadsheet program keeps one), raw (part -> content), drop (parts left out) and damage (parts whose stored bytes get one byte flipped). "dump PATH PART" prints one line
# each: "dimension REF ROW=SPANS..." of PART, "entry NAME METHOD CRC DIGEST" of the stored bytes of
# every zip entry, "SHEET!A1|kind|value[|bold]" of every cell.
import hashlib, re, struct, sys, zipfile, openpyxl
from openpyxl.styles import Font
mode, path = sys.argv[1], sys.argv[2]
NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
def seek_data(f, info):
    f.seek(info.header_offset + 26)
    f.seek(info.header_offset + 30 + sum(struct.unpack('<HH', f.read(4))))
if mode == 'dump':
    lines = []
    with zipfile.ZipFile(path) as z, open(path, 'rb') as f:
        part = z.read(sys.argv[3]).decode('utf-8-sig')
        m = re.search(r'<dimension ref="([^"]*)"', part)
        spans = ''.join(' %s=%s' % s for s in re.findall(r'<row r="(\d+)"[^>]* spans="([^"]*)"', part))
        lines.append('dimension ' + (m.group(1) if m else '') + spans)
        for info in z.infolist():
            seek_data(f, info)
            digest = hashlib.sha256(f.read(info.compress_size)).hexdigest()
            lines.append('entry %s %d %08x %s' % (info.filename, info.compress_type, info.CRC, digest))
    for ws in openpyxl.load_workbook(path).worksheets:
        for c in (c for row in ws.iter_rows() for c in row if c.value is not None):
            kind = 'formula' if c.data_type == 'f' else type(c.value).__name__
            value = repr(c.value) if isinstance(c.value, float) else c.value
            lines.append('%s!%s|%s|%s%s' % (ws.title, c.coordinate, kind, value, '|bold' if c.font.b else ''))
    print('\n'.join(lines))
    sys.exit()
def sheet(rows):
    return '<?xml version="1.0" encoding="UTF-8"?>\r\n<worksheet %s><sheetData>%s</sheetData></worksheet>' % (NS, rows)
def inline(ref, text):
    return '<c%s t="inlineStr"><is><t xml:space="preserve">%s</t></is></c>' % (' r="%s"' % ref if ref else '', text)
wb = openpyxl.Workbook()
ws = wb.active
ws.title = 'Tabelle1'
shared, chain, raw, drop, damage = False, [], {}, set(), set()
exec(sys.argv[3])
wb.save(path)
with zipfile.ZipFile(path) as z:
    parts = [(item, z.read(item.filename)) for item in z.infolist()]
if shared:
    strings = []
    def move(m):
        strings.append(m.group(1))
        return 't="s"><v>%d</v>' % (len(strings) - 1)
    ends = {'[Content_Types].xml': ('</Types>', '<Override PartName="/xl/sharedStrings.xml" ContentType="application/'
                                    'vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>'),
            'xl/_rels/workbook.xml.rels': ('</Relationships>', '<Relationship Id="rIdS" Target="sharedStrings.xml" Type='
        '"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings"/></Relationships>')}
    for item, data in parts:
        if item.filename.startswith('xl/worksheets/') and item.filename not in raw:
            raw[item.filename] = re.sub(r't="inlineStr"><is>(.*?)</is>', move, data.decode())
        elif item.filename in ends:
            raw[item.filename] = data.decode().replace(*ends[item.filename])
    raw.setdefault('xl/sharedStrings.xml', '<sst %s>%s</sst>' % (NS, ''.join('<si>%s</si>' % s for s in strings)))
if chain:
    parts_by_name = {i.filename: d for i, d in parts}
    raw['[Content_Types].xml'] = raw.get('[Content_Types].xml', parts_by_name['[Content_Types].xml'].decode()).replace(
        '</Types>', '<Override PartName="/xl/calcChain.xml" ContentType="application/'
        'vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/></Types>')
    raw['xl/_rels/workbook.xml.rels'] = raw.get('xl/_rels/workbook.xml.rels',
                                                parts_by_name['xl/_rels/workbook.xml.rels'].decode()).replace(
        '</Relationships>', '<Relationship Id="rIdC" Target="calcChain.xml" Type='
        '"http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain"/></Relationships>')
    raw['xl/calcChain.xml'] = '<calcChain %s>%s</calcChain>' % (NS, ''.join('<c r="%s" i="1"/>' % r for r in chain))
with zipfile.ZipFile(path, 'w') as z:
    for item, data in parts:
        if item.filename not in drop:
            text = raw.pop(item.filename, data)
            z.writestr(item, text.encode() if isinstance(text, str) else text)
    for name, text in raw.items():
        z.writestr(name, text, zipfile.ZIP_DEFLATED)
with zipfile.ZipFile(path) as z, open(path, 'r+b') as f:
    for info in [i for i in z.infolist() if i.filename in damage]:
        seek_data(f, info)
        f.seek(info.compress_size // 2, 1)
        byte = f.read(1)[0]
        f.seek(-1, 1), f.write(bytes([byte ^ 0x55]))
