# Drives the running program through the keyboard (xdotool, XTEST) and reads it as a screen
# reader does (AT-SPI): every control of every window has a name, Tab reaches every button, and
# Return presses the one that has the focus.
import subprocess, sys, time
import pyatspi

CONTROLS = {"push button", "text", "combo box", "check box", "radio button", "spin button",
            "progress bar", "tree", "tree table", "list", "table"}
SCREEN = tuple(int(v) for v in sys.argv[1].split("x"))
failures = []

def wait_for(find, what, seconds=10):
    for _ in range(int(seconds * 10)):
        found = find()
        if found:
            return found
        time.sleep(0.1)
    sys.exit(f"{what} did not happen; windows: {[w.name for w in (app() or []) if w]}")

def app():
    return next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "wav2mp3tag"), None)

def showing(node, inside_combo=False):
    for child in node:
        if child is not None and child.getState().contains(pyatspi.STATE_SHOWING):
            yield child, inside_combo
            yield from showing(child, inside_combo or child.getRoleName() == "combo box")

def window(title):
    return next((w for w in (app() or []) if w is not None and w.name == title
                 and w.getState().contains(pyatspi.STATE_SHOWING)), None)

def has_focus(node):
    # A list's current row says it is focused even while the focus is elsewhere.
    return node.getRoleName() != "table cell" and node.getState().contains(pyatspi.STATE_FOCUSED)

def focused(win):
    return next((n for n, _ in showing(win) if has_focus(n)), None)

def key(name):
    subprocess.run(["xdotool", "key", name], check=True)

def tab(nodes, before):
    """Presses Tab and returns the control that has the focus once it has moved."""
    key("Tab")
    return wait_for(lambda: next((n for n in nodes if has_focus(n) and n != before), None),
                    "Tab moving the focus")

def give_focus(title):
    # Done by the window manager where there is one.
    # The screen reader may see the window before the X server has mapped it.
    wid = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{title}$"],
                         capture_output=True, text=True).stdout.split()
    subprocess.run(["xdotool", "windowfocus", "--sync", wid[0]], check=True)

def check_window(title):
    """The window lies on the screen, every control is named, Tab reaches every button."""
    win = wait_for(lambda: window(title), f"the window {title}")
    give_focus(title)
    box = win.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if box.x < 0 or box.y < 0 or box.x + box.width > SCREEN[0] or box.y + box.height > SCREEN[1]:
        failures.append(f"{title}: at {box.x},{box.y} {box.width}x{box.height}, off the screen")
    for n, in_combo in showing(win):
        if n.getRoleName() in CONTROLS and not in_combo and not n.name.strip():
            failures.append(f"{title}: a {n.getRoleName()} without a name")
    buttons = {n.name for n, _ in showing(win) if n.getRoleName() == "push button"
               and n.getState().contains(pyatspi.STATE_SENSITIVE)}
    nodes = [n for n, _ in showing(win)]
    stops = [focused(win) or tab(nodes, None)]
    while len(stops) < 80:
        stops.append(tab(nodes, stops[-1]))
        if stops[-1] == stops[0]:
            break
    order = [n.name for n in stops if n.getRoleName() == "push button"]
    if set(order) != buttons:
        failures.append(f"{title}: Tab reaches {sorted(order)}, the buttons are {sorted(buttons)}")

def press(title, button, closes=None, opens=None):
    """Tabs to `button` of the window and presses Return."""
    win = window(title)
    give_focus(title)
    nodes = [n for n, _ in showing(win)]
    now = focused(win)
    for _ in range(80):
        if now is not None and now.name == button:
            break
        now = tab(nodes, now)
    else:
        sys.exit(f"{title}: Tab never reaches {button}")
    key("Return")
    if opens:
        wait_for(lambda: window(opens), f"{button} opening {opens}")
    if closes:
        wait_for(lambda: window(closes) is None, f"{button} closing {closes}")

main = "WAV→MP3変換とID3タグの編集"
wait_for(app, "the program's appearance to screen readers", 20)
check_window(main)
press(main, "オプション", opens="オプション設定")
check_window("オプション設定")
press("オプション設定", "キャンセル", closes="オプション設定")
press(main, "ジャンル一覧から選択する", opens="ジャンル一覧")
check_window("ジャンル一覧")
key("Escape")
wait_for(lambda: window("ジャンル一覧") is None, "Esc closing the genre list")
press(main, "フォルダを開く", opens="フォルダを指定してください")
check_window("フォルダを指定してください")
press("フォルダを指定してください", "キャンセル", closes="フォルダを指定してください")
press(main, "終了", closes=main)
print("\n".join(failures) or "ok")
sys.exit(1 if failures else 0)
