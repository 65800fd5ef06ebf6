#!/usr/bin/python3
"""Runs the examples of Markdown pages, so that the documentation cannot rot.

For each page, in a fresh scratch folder holding a copy of data/sample:
  * a fenced block right after a line `<!-- file: NAME -->` is written to NAME;
  * every `$ ` line of a ```console block runs in bash with ecbin on PATH
    and LC_ALL=C, and what it prints (stdout and stderr together) must equal
    the lines shown under it; a line `...` stands for any number of lines, and `...` inside a
    line for any text; trailing blanks do not count. A command ending in `\\`
    continues on the next line. Every command must exit with status 0, except
    the last one of a block right after `<!-- expect-fail -->`, which must
    exit with another status;
  * a ```python block runs with this interpreter and PYTHONPATH=<build>/python
    when <build>/python/ecevents exists, and is skipped otherwise; a fenced
    block right after `<!-- output -->` that follows it is what it must print.
Blocks of other languages are prose and are not run.

Usage: run_doc_examples.py --ecbin PATH --build DIR --source DIR [--no-python] PAGE...
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

MARKER = re.compile(r'^<!--\s*(file:\s*(?P<file>\S+)|(?P<flag>expect-fail|output))\s*-->\s*$')
FENCE = re.compile(r'^(?P<fence>```+)\s*(?P<lang>\S*)\s*$')


class Block:
    def __init__(self, lang, line, lines, marks):
        self.lang, self.line, self.lines, self.marks = lang, line, lines, marks


def parse_blocks(text):
    """The fenced blocks of a page, each with the markers right before it."""
    blocks, marks = [], {}
    lines = text.split('\n')
    i = 0
    while i < len(lines):
        line = lines[i]
        mark = MARKER.match(line.strip())
        fence = FENCE.match(line)
        if mark:
            if mark.group('file'):
                marks['file'] = mark.group('file')
            else:
                marks[mark.group('flag')] = True
        elif fence:
            end = i + 1
            while end < len(lines) and lines[end].rstrip() != fence.group('fence'):
                end += 1
            if end == len(lines):
                raise ValueError('line %d: fenced block is never closed' % (i + 1))
            blocks.append(Block(fence.group('lang'), i + 1, lines[i + 1:end], marks))
            marks = {}
            i = end
        elif line.strip():
            marks = {}
        i += 1
    return blocks


def expected_regex(lines):
    parts = []
    for line in lines:
        line = line.rstrip()
        if line == '...':
            parts.append(r'(?:[^\n]*\n)*?')
        else:
            parts.append('[^\n]*'.join(re.escape(p) for p in line.split('...')) + r'\n')
    return re.compile(''.join(parts) + r'\Z')


def normalised(output):
    lines = [l.rstrip() for l in output.replace('\r\n', '\n').split('\n')]
    while lines and not lines[-1]:
        lines.pop()
    return ''.join(l + '\n' for l in lines)


def console_commands(block):
    """(line number, command, expected lines) for each `$ ` line of a block."""
    commands = []
    i = 0
    lines = block.lines
    while i < len(lines):
        if not lines[i].startswith('$ '):
            raise ValueError('line %d: output before the first command' % (block.line + 1 + i))
        start, command = i, lines[i][2:]
        while command.endswith('\\') and i + 1 < len(lines):
            i += 1
            command += '\n' + lines[i]
        i += 1
        expected = []
        while i < len(lines) and not lines[i].startswith('$ '):
            expected.append(lines[i])
            i += 1
        while expected and not expected[-1].strip():
            expected.pop()
        commands.append((block.line + 1 + start, command, expected))
    return commands


def check_output(page, line, what, expected, actual):
    if expected_regex(expected).match(normalised(actual)):
        return True
    print('%s:%d: %s printed:\n%s--- the page shows:\n%s' % (
        page, line, what, normalised(actual), ''.join(l.rstrip() + '\n' for l in expected)))
    return False


def run_page(page, args):
    with open(page, encoding='utf-8') as f:
        blocks = parse_blocks(f.read())
    scratch = tempfile.mkdtemp(prefix='ecdocs-')
    ok = True
    try:
        shutil.copytree(os.path.join(args.source, 'data', 'sample'), os.path.join(scratch, 'data', 'sample'))
        env = dict(os.environ)
        env['PATH'] = os.path.dirname(os.path.abspath(args.ecbin)) + os.pathsep + env.get('PATH', '')
        # The same listing and sorting order on every machine.
        env['LC_ALL'] = 'C'
        python_dir = os.path.join(args.build, 'python')
        have_python = not args.no_python and os.path.isdir(os.path.join(python_dir, 'ecevents'))
        py_env = dict(env, PYTHONPATH=python_dir)
        previous = None
        for block in blocks:
            if 'file' in block.marks:
                path = os.path.join(scratch, block.marks['file'])
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, 'w', encoding='utf-8') as f:
                    f.write('\n'.join(block.lines) + '\n')
            elif block.lang == 'console':
                commands = console_commands(block)
                for number, (line, command, expected) in enumerate(commands, 1):
                    run = subprocess.run(command, shell=True, executable='/bin/bash', cwd=scratch, env=env,
                                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                         universal_newlines=True, errors='replace')
                    failed = run.returncode != 0
                    if failed != (bool(block.marks.get('expect-fail')) and number == len(commands)):
                        print('%s:%d: `%s` exited with status %d%s' % (
                            page, line, command, run.returncode,
                            '' if failed else ' but the page marks it expect-fail'))
                        print(run.stdout)
                        ok = False
                    elif not check_output(page, line, '`%s`' % command, expected, run.stdout):
                        ok = False
            elif block.lang == 'python' and have_python:
                script = os.path.join(scratch, '.example.py')
                with open(script, 'w', encoding='utf-8') as f:
                    f.write('\n'.join(block.lines) + '\n')
                run = subprocess.run([sys.executable, script], cwd=scratch, env=py_env,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                     universal_newlines=True, errors='replace')
                if run.returncode != 0:
                    print('%s:%d: python block exited with status %d\n%s' % (
                        page, block.line, run.returncode, run.stdout))
                    ok = False
                previous = (block, run.stdout)
                continue
            elif block.marks.get('output') and previous is not None:
                if not check_output(page, previous[0].line, 'python block', block.lines, previous[1]):
                    ok = False
            previous = None
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--ecbin', required=True)
    parser.add_argument('--build', required=True)
    parser.add_argument('--source', required=True)
    parser.add_argument('--no-python', action='store_true', help='skip the python blocks')
    parser.add_argument('pages', nargs='+')
    args = parser.parse_args()
    failures = [page for page in args.pages if not run_page(page, args)]
    for page in failures:
        print('FAILED: %s' % page)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
