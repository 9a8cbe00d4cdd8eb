#!/usr/bin/env python3
"""Doxygen input filter for the library's headers.

The headers are written as plain C++ with `///` comments meant to be read in
the source. This filter changes only what Doxygen sees, line for line (so
warnings keep their line numbers):
  - a run of comment lines indented by three or more spaces (examples, tables,
    file layouts) is shown as it stands, in an unparsed code block;
  - elsewhere the characters Doxygen would read as commands, HTML or links
    (backslashes of Windows paths, '@', '<', '>', '%', '#', '$') are escaped.
"""
import re
import sys

COMMENT = re.compile(r'^(\s*///<?)(.*)$')
SPECIAL = re.compile(r'([\\@%#$])')


def escape(text):
    if text.strip().startswith('@') and re.match(r'\s*@(file|ingroup|cond|endcond|\{|\})', text):
        return text  # the few real commands the headers hold
    text = SPECIAL.sub(r'\\\1', text)
    return text.replace('<', '&lt;').replace('>', '&gt;')


def indented(text):
    return re.match(r'^ {3,}\S', text) is not None


def main():
    lines = open(sys.argv[1], encoding='utf-8').read().split('\n')
    out = []
    i = 0
    while i < len(lines):
        m = COMMENT.match(lines[i])
        if m and m.group(1).endswith('///') and indented(m.group(2)):
            # the run: indented lines, blank comment lines between them
            j = i
            last = i
            while j < len(lines):
                mj = COMMENT.match(lines[j])
                if not mj or not mj.group(1).endswith('///'):
                    break
                if indented(mj.group(2)):
                    last = j
                elif mj.group(2).strip() != '':
                    break
                j += 1
            for k in range(i, last + 1):
                mk = COMMENT.match(lines[k])
                text = mk.group(2)
                if k == i:
                    # Doxygen drops the first line's indentation: keep it as
                    # no-break spaces so the columns stay aligned.
                    lead = len(text) - len(text.lstrip(' '))
                    text = '@code{.unparsed}' + '\u00a0' * max(lead - 1, 0) + text.lstrip(' ')
                if k == last:
                    text = text + ' @endcode'
                out.append(mk.group(1) + text)
            i = last + 1
            continue
        if m:
            out.append(m.group(1) + escape(m.group(2)))
        else:
            out.append(lines[i])
        i += 1
    sys.stdout.write('\n'.join(out))


if __name__ == '__main__':
    main()
