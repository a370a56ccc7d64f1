"""The first run on the demo mailbox, driven through the accessibility interface
(AT-SPI) as a screen reader user drives it: every window, button and text box is
found by the name a screen reader speaks, and pressed through its action.

Started by first_run.sh, which provides the virtual display, the session bus, the
accessibility bus and the demo POP3 server. Exits 0 when every check holds.
"""

import argparse
import os
import poplib
import re
import subprocess
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

warnings.simplefilter("ignore", DeprecationWarning)

DEMO_USER = "taro"
DEMO_PASSWORD = "demo-pass"

# The wanted mail of the demo mailbox: it must survive the run.
WANTED_IDS = [f"<demo-{n:03}@postsweep.example>" for n in range(21, 41)]

# The spam of the demo mailbox (Message-ID, decoded subject, sender), in mailbox
# order: each is deleted and logged once, in this order.
SPAM = [
    ("<demo-001@postsweep.example>", "未承諾広告※今だけの特別価格", "shop@ad-mail.example"),
    ("<demo-002@postsweep.example>", "未承諾広告※限定セールのお知らせ", "sale@ad-mail.example"),
    ("<demo-003@postsweep.example>", "未承諾広告※副業で月収アップ", "info@fukugyou.example"),
    ("<demo-004@postsweep.example>", "未承諾広告※無料サンプル進呈", "present@sample.example"),
    ("<demo-005@postsweep.example>", "未承諾広告※高収入のお仕事", "job@work-ad.example"),
    ("<demo-006@postsweep.example>", "【未承諾広告】新商品のご案内", "news@ad-mail.example"),
    ("<demo-007@postsweep.example>", "末承諾広告※ポイント大量進呈", "point@ad-mail.example"),
    ("<demo-008@postsweep.example>", "WIN a brand new car today", "lucky@prize.example"),
    ("<demo-009@postsweep.example>", "Cheap watches, best prices", "deals@watch.example"),
    ("<demo-010@postsweep.example>", "Your account needs verification", "security@phish.example"),
    ("<demo-011@postsweep.example>", "Limited offer just for you", "offer@promo.example"),
    ("<demo-012@postsweep.example>", "Earn money from home", "work@home-job.example"),
    ("<demo-013@postsweep.example>", "You have been selected", "winner@lottery.example"),
    ("<demo-014@postsweep.example>", "激安ブランド品が入荷しました", "brand@outlet.example"),
    ("<demo-015@postsweep.example>", "激安航空券のご案内", "travel@outlet.example"),
    ("<demo-016@postsweep.example>", "今月のおすすめ情報", "bulk@spam-sender.example"),
    ("<demo-017@postsweep.example>", "会員様だけのご案内", "bulk@spam-sender.example"),
    ("<demo-018@postsweep.example>", "Weekly newsletter", "bulk@spam-sender.example"),
    ("<demo-019@postsweep.example>", "お知らせ", "ads@spam-sender.example"),
    ("<demo-020@postsweep.example>", "ご当選おめでとうございます", "lucky@prize.example"),
]

# What the settings dialog's first tab shows for the demo profile: the name a
# screen reader speaks for each visible text box, and its content (never the password).
SETTINGS_TAB1 = {
    "受信サーバ名": "127.0.0.1",
    "アカウント名": "taro",
    "パスワード": "",
    "メールアドレス": "taro@example.jp",
    "タイトル文字列1": "WIN",
    "タイトル文字列2": "激安",
    **{f"タイトル文字列{i}": "" for i in range(3, 11)},
    "差出人文字列1": "spam-sender.example",
    **{f"差出人文字列{i}": "" for i in range(2, 11)},
    "削除しない差出人": "",
    "固定した証明書": "",
}
FRAMES_TAB1 = ["メールサーバ設定１", "削除条件設定１",
               "タイトルで削除", "差出人で削除", "宛先で削除", "削除しない差出人"]
LABELLED_BOXES = ["受信サーバ名", "受信ポート", "アカウント名", "パスワード", "メールアドレス",
                  "固定した証明書"]

TOTAL_SECONDS = 120

TEXT_ROLES = {Atspi.Role.TEXT, Atspi.Role.PASSWORD_TEXT, Atspi.Role.ENTRY}


class CheckFailed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise CheckFailed(message)


def say(message):
    print(f"[{time.monotonic() - START:6.1f}s] {message}", flush=True)


def wait_for(what, probe, timeout):
    """Polls probe until it returns something true; fails after timeout seconds, or
    sooner when the whole test's time is up (CTest would end it without cleaning up)."""
    deadline = min(time.monotonic() + timeout, START + TOTAL_SECONDS)
    while True:
        try:
            result = probe()
        except (GLib.Error, OSError, poplib.error_proto):
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise CheckFailed(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.2)


# --- the accessibility tree -------------------------------------------------

def has_state(node, state):
    return node.get_state_set().contains(state)


def children(node):
    return [c for c in (node.get_child_at_index(i) for i in range(node.get_child_count())) if c]


def descendants(node):
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def find(node, role, name):
    return next((d for d in descendants(node) if d.get_role() == role and d.get_name() == name),
                None)


def application():
    app = next((a for a in children(Atspi.get_desktop(0)) if a.get_name().lower() == "postsweep"),
               None)
    if app is not None:
        app.set_cache_mask(Atspi.Cache.NONE)  # windows come and go; ask afresh each time
    return app


def top_window(app, name):
    return next((top for top in children(app) if top.get_name() == name), None)


def window(app, name):
    """The top-level window of the application with this name, once it is showing."""
    top = top_window(app, name)
    return top if top is not None and has_state(top, Atspi.StateType.SHOWING) else None


def press(button):
    names = [Atspi.Action.get_action_name(button, i).lower() for i in range(button.get_n_actions())]
    for wanted in ("press", "click"):
        if wanted in names:
            check(button.do_action(names.index(wanted)), f"{button.get_name()!r} refused {wanted}")
            return
    raise CheckFailed(f"{button.get_name()!r} offers no press action: {names}")


def button(node, caption):
    found = find(node, Atspi.Role.PUSH_BUTTON, caption)
    check(found is not None, f"no push button named {caption!r}")
    return found


def labels_of(node):
    return [r.get_target(0).get_name() for r in node.get_relation_set()
            if r.get_relation_type() == Atspi.RelationType.LABELLED_BY]


def text_of(node):
    return Atspi.Text.get_text(node, 0, -1)


def screenshot(node, path):
    box = Atspi.Component.get_extents(node, Atspi.CoordType.SCREEN)
    check(box.width > 0 and box.height > 0, f"{node.get_name()!r} has no extent on screen")
    geometry = f"{box.width}x{box.height}+{box.x}+{box.y}"
    subprocess.run(["import", "-window", "root", "-crop", geometry, "+repage", path],
                   check=True, timeout=30)
    colours = subprocess.run(["convert", path, "-format", "%k", "info:"], check=True,
                             timeout=30, capture_output=True, text=True).stdout
    # Captions rendered with anti-aliasing give many shades; a blank window gives few.
    check(int(colours) > 16, f"{path} looks blank ({colours} colours)")
    say(f"screenshot {path} ({geometry})")


# --- the demo server and the log ----------------------------------------------

def on_mailbox(port, read):
    """Logs in to the demo mailbox, reads it and quits without deleting anything."""
    box = poplib.POP3("127.0.0.1", port, timeout=10)
    try:
        box.user(DEMO_USER)
        box.pass_(DEMO_PASSWORD)
        return read(box)
    finally:
        box.quit()


def message_count(port):
    return on_mailbox(port, lambda box: box.stat()[0])


def message_ids(box):
    ids = []
    for number in range(1, box.stat()[0] + 1):
        ids += [line.split(b":", 1)[1].strip().decode() for line in box.top(number, 0)[1]
                if line.lower().startswith(b"message-id:")]
    return ids


def log_lines(path):
    with open(path, "rb") as log:
        data = log.read()
    check(data.endswith(b"\r\n"), "the log's last line does not end in CR LF")
    return data.decode("cp932").split("\r\n")[:-1]


def stamped(lines, message):
    """The lines made of a date, a space, a time and then message (the stamp's form
    follows the regional settings)."""
    return [line for line in lines if line.endswith(message)
            and re.fullmatch(r"\d\S* \d\S*", line[:-len(message)])]


# --- the run ------------------------------------------------------------------

def check_main_window(app, out_dir):
    main = wait_for("the main window \"Post Sweep\"", lambda: window(app, "Post Sweep"), 20)
    for caption in ("実行", "サーバ設定", "ヘルプ", "終\u3000了"):
        found = button(main, caption)
        check(has_state(found, Atspi.StateType.SHOWING)
              and has_state(found, Atspi.StateType.ENABLED), f"{caption!r} is not usable")
    for caption in ("継続", "中止"):
        check(not has_state(button(main, caption), Atspi.StateType.SHOWING),
              f"{caption!r} shows before a run")
    time.sleep(0.5)  # let the first paint reach the screen
    screenshot(main, os.path.join(out_dir, "first-run-main.png"))
    return main


def check_settings_dialog(app, main, port, out_dir):
    press(button(main, "サーバ設定"))
    dialog = wait_for("the settings dialog", lambda: window(app, "サーバ／削除条件の設定"), 20)
    boxes = [d for d in descendants(dialog) if d.get_role() in TEXT_ROLES]
    # Per profile: server, port, account, password, address, 10 + 10 list entries,
    # the allow-list, the pinned certificate.
    check(len(boxes) == 5 * 27, f"{len(boxes)} text boxes in the settings dialog")
    unnamed = [b for b in boxes if not b.get_name()]
    check(not unnamed, f"{len(unnamed)} text boxes of the settings dialog have no name")
    shown = {b.get_name(): text_of(b) for b in boxes if has_state(b, Atspi.StateType.SHOWING)}
    # The demo profile was loaded: plain POP3 on its stored port until the user changes it.
    check(shown == {**SETTINGS_TAB1, "受信ポート": str(port)}, f"the first tab shows {shown}")
    combos = [c for c in descendants(dialog)
              if c.get_role() == Atspi.Role.COMBO_BOX and has_state(c, Atspi.StateType.SHOWING)]
    modes = [(c.get_name(), labels_of(c)) for c in combos]
    check(len(combos) == 1 and "暗号化" in modes[0][1] and "なし" in str(modes),
          f"the first tab's security mode reads {modes}")
    for box in (b for b in boxes if b.get_name() in LABELLED_BOXES):
        labels = labels_of(box)
        check(box.get_name() in labels, f"{box.get_name()!r} is labelled by {labels}")
    frames = [d.get_name() for d in descendants(dialog)
              if d.get_role() == Atspi.Role.PANEL and has_state(d, Atspi.StateType.SHOWING)]
    check(frames == FRAMES_TAB1, f"the first tab's frames are named {frames}")
    for caption in ("キャンセル", "設定確認", "設定終了"):
        button(dialog, caption)
    time.sleep(0.5)
    screenshot(dialog, os.path.join(out_dir, "first-run-settings.png"))
    press(button(dialog, "キャンセル"))
    wait_for("the main window back", lambda: window(app, "Post Sweep"), 20)
    say("settings dialog: every text box named, the demo profile shown")


def run_and_wait(app, main, port, timeout):
    """Runs with the settings dialog left open and presses its 設定確認 during the run:
    the check waits for the run's end, then logs in by itself."""
    press(button(main, "サーバ設定"))
    dialog = wait_for("the settings dialog", lambda: window(app, "サーバ／削除条件の設定"), 20)
    # The main window is minimised, not hidden, while the dialog is open. Both buttons
    # are found first, so that 設定確認 follows 実行 within milliseconds.
    run, verify = button(top_window(app, "Post Sweep"), "実行"), button(dialog, "設定確認")
    press(run)
    press(verify)
    say("pressed 実行, then 設定確認 in the settings dialog")
    wait_for("20 messages left on the demo server", lambda: message_count(port) == 20, timeout)
    wait_for("the command monitor to close",
             lambda: window(app, "PostSweep 実行中のコマンド") is None, 20)
    say("run over")
    verify = wait_for("the server check window", lambda: window(app, "サーバ設定確認"), 20)
    wait_for("the check to end", lambda: find(verify, Atspi.Role.PUSH_BUTTON, "OK"), 20)
    statuses = [d.get_name() for d in descendants(verify) if d.get_role() == Atspi.Role.LABEL]
    check("設定完了" in statuses, f"the check after the run shows {statuses}")
    press(button(verify, "OK"))
    dialog = wait_for("the settings dialog back", lambda: window(app, "サーバ／削除条件の設定"), 20)
    press(button(dialog, "キャンセル"))
    say("the check started by itself after the run and logged in")


def check_after_run(app):
    """The resident state a screen reader user finds after the run, and the monitor's
    transcript of the session."""
    # Without a notification area the resident main window is minimised, not hidden.
    main = top_window(app, "PostSweep 実行中")
    check(main is not None, "no main window named \"PostSweep 実行中\" after the run")
    for caption in ("実行", "サーバ設定"):
        check(not has_state(button(main, caption), Atspi.StateType.ENABLED),
              f"{caption!r} is usable while periodic runs go on")
    for caption in ("継続", "中止"):
        check(has_state(button(main, caption), Atspi.StateType.VISIBLE),
              f"{caption!r} is not offered while periodic runs go on")

    monitor = top_window(app, "PostSweep 実行中のコマンド")
    check(monitor is not None, "no command monitor after the run")
    transcript = find(monitor, Atspi.Role.TEXT, "実行中のコマンド")
    check(transcript is not None, "the command monitor has no text named 実行中のコマンド")
    lines = text_of(transcript).split("\n")
    deletes = [line for line in lines if line.startswith("DELE")]
    check(deletes == [f"DELE {n}" for n in range(1, 21)], f"the monitor shows {deletes}")
    quit_reply = "+OK Logging out, messages deleted."
    check(quit_reply in lines, f"the monitor shows no {quit_reply!r}")
    run, check_part = lines[:lines.index(quit_reply) + 1], lines[lines.index(quit_reply) + 1:]
    check(run[-2:] == ["QUIT ", quit_reply], f"the run's transcript ends with {run[-2:]}")
    # The login check that waited for the run follows it, and stops after PASS.
    check("PASS *******" in check_part and not any(
        line.startswith(("STAT", "DELE", "QUIT")) for line in check_part),
        f"the check after the run shows {check_part}")
    check(DEMO_PASSWORD not in text_of(transcript), "the monitor shows the password")


def check_server(port):
    remaining = on_mailbox(port, message_ids)
    check(sorted(remaining) == WANTED_IDS,
          f"the server keeps {sorted(remaining)}, not exactly the wanted mail")


def check_log(path):
    lines = log_lines(path)
    deleted = [line for line in lines if line.startswith("タイトル:")]
    expected = [f"タイトル:{subject} 差出人:{sender} を削除しました" for _, subject, sender in SPAM]
    check(deleted == expected, "deletion lines differ:\n" + "\n".join(deleted))
    for message in ("  実行を開始しました",
                    "  削除メールを指定条件で検索しています",
                    "  削除メールを指定条件で検索・削除を終了しました"):
        check(len(stamped(lines, message)) == 1, f"not one stamped line {message!r}")
    check("40  件のメールがあります" in lines, "no message count line")
    # Logged in twice: the run, then the check that waited for the run's end.
    def positions(message):
        return [i for i, line in enumerate(lines) if stamped([line], message)]
    logins = positions(" 127.0.0.1に\u3000ID:taroでサーバに接続しました")
    run_end = positions("  削除メールを指定条件で検索・削除を終了しました")[0]
    check(len(logins) == 2 and logins[0] < run_end < logins[1],
          f"not the run's login and then the check's: lines {logins}, run's end {run_end}")
    check(lines.index("  サーバ設定の確認をしています") < run_end,
          "設定確認 was pressed only after the run: the overlap was not tried")
    check(not any("エラー" in line for line in lines), "an error in the log")


def check_deleted_mail(app, program_dir, out_dir):
    """Opens 削除したメール from the resident main window and finds the kept copy of
    every deleted demo message in its list."""
    press(button(top_window(app, "PostSweep 実行中"), "削除したメール"))
    kept = wait_for("the window 削除したメール", lambda: window(app, "削除したメール"), 20)
    for caption in ("メールソフトで開く", "ヘッダを表示", "フォルダを開く", "閉じる"):
        button(kept, caption)
    table = find(kept, Atspi.Role.TABLE, "削除したメールの一覧")
    check(table is not None, "no table named 削除したメールの一覧")
    check(os.path.exists(os.path.join(program_dir, "deleted", "index.tsv")),
          "the run kept no copies of the deleted messages")
    cells = {d.get_name() for d in descendants(table) if d.get_role() == Atspi.Role.TABLE_CELL}
    missing = [subject for _, subject, _ in SPAM if subject not in cells]
    check(not missing, f"削除したメール does not list {missing}")
    say("削除したメール lists the 20 deleted messages")
    time.sleep(0.5)
    screenshot(kept, os.path.join(out_dir, "first-run-deleted-mail.png"))
    press(button(kept, "閉じる"))
    wait_for("削除したメール to close", lambda: window(app, "削除したメール") is None, 20)


def exit_program(app, process, log_path):
    # Without a notification area the resident main window is minimised, still reachable.
    press(button(top_window(app, "PostSweep 実行中"), "終\u3000了"))
    try:
        code = process.wait(timeout=20)
    except subprocess.TimeoutExpired:
        raise CheckFailed("PostSweep did not end after 終　了") from None
    check(code == 0, f"PostSweep ended with status {code}")
    check(stamped(log_lines(log_path), "  終了キーが押されたので終了します"),
          "no exit line in the log")
    say("ended through 終　了")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--pid-file", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    program_dir = os.path.dirname(os.path.abspath(args.program))
    log_path = os.path.join(program_dir, "PostSweep.log")

    check(sorted(on_mailbox(args.port, message_ids)) == sorted(WANTED_IDS + [s[0] for s in SPAM]),
          "the demo mailbox does not hold the 40 messages expected")
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               QT_QPA_PLATFORM="xcb")
    with open(os.path.join(args.out, "postsweep.stderr"), "wb") as stderr:
        process = subprocess.Popen([args.program], env=env, stdout=stderr, stderr=stderr)
    with open(args.pid_file, "w") as pid_file:
        pid_file.write(str(process.pid))
    try:
        app = wait_for("the application on the accessibility bus", application, 30)
        say("found the application")
        main_window = check_main_window(app, args.out)
        check_settings_dialog(app, main_window, args.port, args.out)
        run_and_wait(app, main_window, args.port, 60)
        check_after_run(app)
        check_server(args.port)
        check_log(log_path)
        say("the server keeps the 20 wanted messages; the log names the 20 deleted")
        check_deleted_mail(app, program_dir, args.out)
        exit_program(app, process, log_path)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait(timeout=10)
    return 0


START = time.monotonic()

if __name__ == "__main__":
    try:
        sys.exit(main())
    except CheckFailed as failure:
        print(f"FAILED: {failure}", flush=True)
        sys.exit(1)
