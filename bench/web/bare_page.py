#!/usr/bin/env python3
"""bare_page.py - the bare page: the panel file's controls at their places,
written out as static HTML with a little CSS and no script, the reference
the page's start is measured against.

    bare_page.py PANEL_FILE OUT.html

Every panel of the panel file becomes a block at its place (a tab page
inside its tab control, the first page shown), every control the plain
element a page author would write for it: a number field, a read-only
field, a button, a text, a frame. Its window and client area carry the
page toolkit's class names (.kx418-window, .kx418-client), so the
benchmark finds the panel the same way on both pages.
"""
import html
import shlex
import sys


def read_panels(path):
    panels = []
    for line in open(path, encoding='utf-8'):
        line = line.strip()
        if not line or line.startswith('#'):
            continue
        words = shlex.split(line)
        fields = dict(w.split('=', 1) for w in words if '=' in w)
        if words[0] == 'panel':
            panels.append({'name': words[1], 'fields': fields, 'controls': []})
        elif words[0] == 'control':
            panels[-1]['controls'].append({'name': words[2], 'kind': words[3], 'fields': fields})
    return panels


def box(f, top='top', left='left'):
    style = 'left:%spx;top:%spx' % (f[left], f[top])
    if 'width' in f and top == 'top':
        style += ';width:%spx;height:%spx' % (f['width'], f['height'])
    return style


def text(value):
    return html.escape(value, quote=True)


def control_html(panels, panel, c):
    f, kind, name = c['fields'], c['kind'], c['name']
    ident = panel['name'] + '-' + name
    out = []
    if 'label' in f:
        out.append('<label for="%s" style="%s">%s</label>'
                   % (ident, box(f, 'label_top', 'label_left'), text(f['label'])))
    if kind == 'numeric':
        precision = int(f.get('precision', '0'))
        value = '%.*f' % (precision, float(f.get('default', '0')))
        out.append('<input id="%s" type="number" min="%s" max="%s" step="%s" value="%s" '
                   'style="%s;background:#%s">'
                   % (ident, f['min'], f['max'], f['step'], value, box(f), f['field_colour']))
    elif kind == 'indicator':
        out.append('<input id="%s" readonly value="%s" style="%s;background:#%s">'
                   % (ident, f.get('default', '0'), box(f), f['field_colour']))
    elif kind == 'command':
        out.append('<button id="%s" type="button" style="%s">%s</button>'
                   % (ident, box(f), text(f['text'])))
    elif kind == 'toggle':
        out.append('<button id="%s" type="button" aria-pressed="false" style="%s">%s</button>'
                   % (ident, box(f), text(f['off_text'])))
    elif kind == 'text':
        size = ';font-size:%spx' % f['font_size'] if 'font_size' in f else ''
        out.append('<div class="text" style="%s%s">%s</div>' % (box(f), size, text(f['text'])))
    elif kind == 'decoration':
        out.append('<div class="deco" style="%s"></div>' % box(f))
    elif kind == 'tab':
        pages = sorted((p for p in panels
                        if p['fields'].get('page_of') == panel['name'] + '.' + name),
                       key=lambda p: int(p['fields']['index']))
        out.append('<div class="tab" style="%s">' % box(f))
        out.append('<div class="strip" role="tablist">' + ''.join(
            '<button type="button" role="tab" aria-selected="%s">%s</button>'
            % ('true' if i == 0 else 'false', text(p['fields']['label']))
            for i, p in enumerate(pages)) + '</div>')
        for i, p in enumerate(pages):
            out.append('<div class="page" role="tabpanel" style="background:#%s%s">'
                       % (p['fields']['colour'], '' if i == 0 else ';display:none'))
            for pc in p['controls']:
                out.extend(control_html(panels, p, pc))
            out.append('</div>')
        out.append('</div>')
    else:
        raise SystemExit('bare_page.py: no element for the kind "%s" (%s)' % (kind, name))
    return out


def main():
    if len(sys.argv) != 3:
        raise SystemExit('usage: bare_page.py PANEL_FILE OUT.html')
    panels = read_panels(sys.argv[1])
    top = next(p for p in panels if 'page_of' not in p['fields'])
    f = top['fields']
    lines = [
        '<!doctype html>',
        '<html lang="de">',
        '<head>',
        '<meta charset="utf-8">',
        '<title>%s</title>' % text(f['title']),
        '<meta name="viewport" content="width=device-width, initial-scale=1">',
        '<link rel="icon" href="KX418.svg" type="image/svg+xml">',
        '<style>',
        '  body { margin: 0; padding: 16px; background: #3a6ea5; font: 14px "DejaVu Sans", sans-serif; }',
        '  .kx418-window { display: inline-block; border: 1px solid #0a246a; background: #0a246a;',
        '    font: 13px "DejaVu Sans", sans-serif; }',
        '  .title { height: 22px; line-height: 22px; padding: 0 6px; color: #fff; font-weight: bold; }',
        '  .kx418-client { position: relative; overflow: hidden; }',
        '  .kx418-client * { position: absolute; box-sizing: border-box; margin: 0; font: inherit; }',
        '  .kx418-client .text, .kx418-client label, .kx418-client button { white-space: nowrap; }',
        '  .kx418-client button { padding: 0; }',
        '  .kx418-client input { padding: 0 3px; text-align: right; border: 1px solid #7f9db9; }',
        '  .deco { border: 1px solid; border-color: #aca899 #fff #fff #aca899; }',
        '  .tab .strip { position: static; display: flex; height: 21px; }',
        '  .strip button { position: static; padding: 0 8px; border: 1px solid #919b9c;',
        '    border-bottom: 0; background: #f4f3ee; }',
        '  .strip button[aria-selected=true] { background: inherit; }',
        '  .page { left: 2px; top: 21px; right: 2px; bottom: 2px; outline: 1px solid #919b9c; }',
        '</style>',
        '</head>',
        '<body>',
        '<div class="kx418-window" role="dialog" aria-label="%s">' % text(f['title']),
        '<div class="title">%s</div>' % text(f['title']),
        '<div class="kx418-client" style="width:%spx;height:%spx;background:#%s">'
        % (f['width'], f['height'], f['colour']),
    ]
    for c in top['controls']:
        lines.extend(control_html(panels, top, c))
    lines += ['</div>', '</div>', '</body>', '</html>']
    with open(sys.argv[2], 'w', encoding='utf-8') as out:
        out.write('\n'.join(lines) + '\n')


main()
