"""The first run on the demo mailbox, driven through AT-SPI as a screen reader user
drives it. Started by first_run.sh (display, buses, demo POP3 server)."""

import ctypes
import os
import poplib
import re
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

DEMO_PASSWORD = "demo-pass"
DEMO_IDS = [f"<demo-{n:03}@postsweep.example>" for n in range(1, 41)]

# The spam, in mailbox order: each is deleted and logged once, in this order.
SPAM = [  # (subject, sender)
    ("未承諾広告※今だけの特別価格", "shop@ad-mail.example"),
    ("未承諾広告※限定セールのお知らせ", "sale@ad-mail.example"),
    ("未承諾広告※副業で月収アップ", "info@fukugyou.example"),
    ("未承諾広告※無料サンプル進呈", "present@sample.example"),
    ("未承諾広告※高収入のお仕事", "job@work-ad.example"),
    ("【未承諾広告】新商品のご案内", "news@ad-mail.example"),
    ("末承諾広告※ポイント大量進呈", "point@ad-mail.example"),
    ("WIN a brand new car today", "lucky@prize.example"),
    ("Cheap watches, best prices", "deals@watch.example"),
    ("Your account needs verification", "security@phish.example"),
    ("Limited offer just for you", "offer@promo.example"),
    ("Earn money from home", "work@home-job.example"),
    ("You have been selected", "winner@lottery.example"),
    ("激安ブランド品が入荷しました", "brand@outlet.example"),
    ("激安航空券のご案内", "travel@outlet.example"),
    ("今月のおすすめ情報", "bulk@spam-sender.example"),
    ("会員様だけのご案内", "bulk@spam-sender.example"),
    ("Weekly newsletter", "bulk@spam-sender.example"),
    ("お知らせ", "ads@spam-sender.example"),
    ("ご当選おめでとうございます", "lucky@prize.example"),
]

SETTINGS_TAB1 = {
    "受信サーバ名": "127.0.0.1", "アカウント名": "taro", "パスワード": "",
    "メールアドレス": "taro@example.jp", "タイトル文字列1": "WIN", "タイトル文字列2": "激安",
    **{f"タイトル文字列{i}": "" for i in range(3, 11)},
    "差出人文字列1": "spam-sender.example", **{f"差出人文字列{i}": "" for i in range(2, 11)},
    "削除しない差出人": "", "固定した証明書": "",
}
FRAMES_TAB1 = ["メールサーバ設定１", "削除条件設定１", "タイトルで削除", "差出人で削除", "宛先で削除",
               "削除しない差出人"]
LABELLED_BOXES = {"受信サーバ名", "受信ポート", "アカウント名", "パスワード", "メールアドレス",
                  "固定した証明書"}
TEXT_ROLES = {Atspi.Role.TEXT, Atspi.Role.PASSWORD_TEXT, Atspi.Role.ENTRY}
MAIN, RUNNING, DIALOG = "Post Sweep", "PostSweep 実行中", "サーバ／削除条件の設定"
MONITOR, KEPT = "PostSweep 実行中のコマンド", "削除したメール"
SHOWING, ENABLED = Atspi.StateType.SHOWING, Atspi.StateType.ENABLED
RUN_END = "  削除メールを指定条件で検索・削除を終了しました"
START = time.monotonic()  # the whole test ends within 120 s: CTest would end it uncleaned

def check(condition, message):
    if not condition:
        raise AssertionError(message)

def wait_for(what, probe, timeout=20):
    deadline = min(time.monotonic() + timeout, START + 120)
    while True:
        try:
            if result := probe():
                return result
        except (GLib.Error, OSError, poplib.error_proto):
            pass
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.2)

def has_state(node, *states):
    return all(node.get_state_set().contains(state) for state in states)

def children(node):
    return [c for c in (node.get_child_at_index(i) for i in range(node.get_child_count())) if c]

def descendants(node):
    return [d for c in children(node) for d in [c, *descendants(c)]]

def of_role(node, roles, *states):
    """The descendants of node in one of these roles and in all of these states."""
    return [d for d in descendants(node) if d.get_role() in roles and has_state(d, *states)]

def find(node, role, name):
    return next((d for d in of_role(node, {role}) if d.get_name() == name), None)

def button(node, caption):
    found = find(node, Atspi.Role.PUSH_BUTTON, caption)
    check(found is not None, f"no push button named {caption!r}")
    return found

def press(node, caption=None):
    """Presses node, or its push button of that caption."""
    target = button(node, caption) if caption else node
    names = [Atspi.Action.get_action_name(target, i).lower() for i in range(target.get_n_actions())]
    index = next((names.index(w) for w in ("press", "click") if w in names), None)
    check(index is not None, f"{target.get_name()!r} offers no press action: {names}")
    check(target.do_action(index), f"{target.get_name()!r} refused {names[index]}")

def labels_of(node):
    return [r.get_target(0).get_name() for r in node.get_relation_set()
            if r.get_relation_type() == Atspi.RelationType.LABELLED_BY]

def stamped(lines, message):
    """The positions of lines made of a date, a space, a time (regional form), then message."""
    return [i for i, line in enumerate(lines) if line.endswith(message)
            and re.fullmatch(r"\d\S* \d\S*", line[:-len(message)])]

class FirstRun:
    """The program in its fresh folder, the demo server's port, a folder for what it shows."""

    def __init__(self, program, port, out):
        self.program, self.port, self.out = program, int(port), out
        self.log_path = os.path.join(os.path.dirname(os.path.abspath(program)), "PostSweep.log")

    def top_window(self, name):
        return next((top for top in children(self.app) if top.get_name() == name), None)

    def shown_window(self, name, shown=True):
        """Waits for the window to show (and returns it) or, with shown=False, to close."""
        def probe():
            top = self.top_window(name)
            top = top if top is not None and has_state(top, SHOWING) else None
            return top if shown else top is None
        return wait_for(f"the window {name} {'to show' if shown else 'to close'}", probe)

    def screenshot(self, node, name):
        time.sleep(0.5)  # let the paint reach the screen
        path = os.path.join(self.out, name)
        box = Atspi.Component.get_extents(node, Atspi.CoordType.SCREEN)
        check(box.width > 0 and box.height > 0, f"{node.get_name()!r} has no extent on screen")
        crop = f"{box.width}x{box.height}+{box.x}+{box.y}"
        colours = subprocess.run(["convert", "x:root", "-crop", crop, "+repage", "-write", path,
                                  "-format", "%k", "info:"], check=True, timeout=30,
                                 capture_output=True, text=True).stdout
        # Captions rendered with anti-aliasing give many shades; a blank window gives few.
        check(int(colours) > 16, f"{path} looks blank ({colours} colours)")

    def mailbox(self):
        """The Message-IDs the demo mailbox holds, sorted."""
        box = poplib.POP3("127.0.0.1", self.port, timeout=10)  # closed, without QUIT, once dropped
        box.user("taro")
        box.pass_(DEMO_PASSWORD)
        return sorted(line.split(b":", 1)[1].strip().decode() for n in range(1, box.stat()[0] + 1)
                      for line in box.top(n, 0)[1] if line.lower().startswith(b"message-id:"))

    def log_lines(self):
        with open(self.log_path, "rb") as log:
            data = log.read()
        check(data.endswith(b"\r\n"), "the log's last line does not end in CR LF")
        return data.decode("cp932").split("\r\n")[:-1]

    def main_window(self):
        main = self.shown_window(MAIN)
        for caption in ("実行", "サーバ設定", "ヘルプ", "終\u3000了"):
            check(has_state(button(main, caption), SHOWING, ENABLED), f"{caption!r} is not usable")
        for caption in ("継続", "中止"):
            check(not has_state(button(main, caption), SHOWING), f"{caption!r} shows before a run")
        self.screenshot(main, "first-run-main.png")

    def settings_dialog(self):
        press(self.top_window(MAIN), "サーバ設定")
        dialog = self.shown_window(DIALOG)
        boxes = of_role(dialog, TEXT_ROLES)
        # Per profile: 5 connection boxes, 10 + 10 list entries, allow-list, pinned certificate.
        check(len(boxes) == 5 * 27, f"{len(boxes)} text boxes in the settings dialog")
        unnamed = [b for b in boxes if not b.get_name()]
        check(not unnamed, f"{len(unnamed)} text boxes of the settings dialog have no name")
        shown = {b.get_name(): Atspi.Text.get_text(b, 0, -1) for b in boxes
                 if has_state(b, SHOWING)}
        check(shown == dict(SETTINGS_TAB1, 受信ポート=str(self.port)), f"the first tab shows {shown}")
        combos = of_role(dialog, {Atspi.Role.COMBO_BOX}, SHOWING)
        modes = [(c.get_name(), labels_of(c)) for c in combos]
        check(len(modes) == 1 and "暗号化" in modes[0][1] and "なし" in str(modes),
              f"the first tab's security mode reads {modes}")
        for box in (b for b in boxes if b.get_name() in LABELLED_BOXES):
            labels = labels_of(box)
            check(box.get_name() in labels, f"{box.get_name()!r} is labelled by {labels}")
        frames = [d.get_name() for d in of_role(dialog, {Atspi.Role.PANEL}, SHOWING)]
        check(frames == FRAMES_TAB1, f"the first tab's frames are named {frames}")
        for caption in ("キャンセル", "設定確認", "設定終了"):
            button(dialog, caption)
        self.screenshot(dialog, "first-run-settings.png")
        press(dialog, "キャンセル")
        self.shown_window(MAIN)

    def run_and_verify(self):
        """Presses 設定確認 during a run: the check waits for the run's end, then logs in."""
        press(self.top_window(MAIN), "サーバ設定")
        dialog = self.shown_window(DIALOG)
        # Both found first, so that 設定確認 follows 実行 within milliseconds.
        run, verify = button(self.top_window(MAIN), "実行"), button(dialog, "設定確認")
        press(run)
        press(verify)
        wait_for("20 messages left on the demo server", lambda: len(self.mailbox()) == 20, 60)
        self.shown_window(MONITOR, shown=False)
        verify = self.shown_window("サーバ設定確認")
        wait_for("the check to end", lambda: find(verify, Atspi.Role.PUSH_BUTTON, "OK"))
        statuses = [d.get_name() for d in of_role(verify, {Atspi.Role.LABEL})]
        check("設定完了" in statuses, f"the check after the run shows {statuses}")
        press(verify, "OK")
        press(self.shown_window(DIALOG), "キャンセル")

    def after_run(self):
        # Without a notification area the resident main window is minimised, not hidden.
        main = self.top_window(RUNNING)
        check(main is not None, "no main window named \"PostSweep 実行中\" after the run")
        for caption in ("実行", "サーバ設定"):
            check(not has_state(button(main, caption), ENABLED),
                  f"{caption!r} is usable while periodic runs go on")
        for caption in ("継続", "中止"):
            check(has_state(button(main, caption), Atspi.StateType.VISIBLE),
                  f"{caption!r} is not offered while periodic runs go on")
        monitor = self.top_window(MONITOR)
        check(monitor is not None, "no command monitor after the run")
        transcript = find(monitor, Atspi.Role.TEXT, "実行中のコマンド")
        check(transcript is not None, "the command monitor has no text named 実行中のコマンド")
        text = Atspi.Text.get_text(transcript, 0, -1)
        lines = text.split("\n")
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
        check(DEMO_PASSWORD not in text, "the monitor shows the password")
        remaining = self.mailbox()
        check(remaining == DEMO_IDS[20:], f"the server keeps {remaining}, not only the wanted mail")

    def log(self):
        lines = self.log_lines()
        deleted = [line for line in lines if line.startswith("タイトル:")]
        expected = [f"タイトル:{subject} 差出人:{sender} を削除しました" for subject, sender in SPAM]
        check(deleted == expected, "deletion lines differ:\n" + "\n".join(deleted))
        for message in ("  実行を開始しました", "  削除メールを指定条件で検索しています", RUN_END):
            check(len(stamped(lines, message)) == 1, f"not one stamped line {message!r}")
        check("40  件のメールがあります" in lines, "no message count line")
        # Logged in twice: the run, then the check that waited for the run's end.
        logins = stamped(lines, " 127.0.0.1に\u3000ID:taroでサーバに接続しました")
        run_end = stamped(lines, RUN_END)[0]
        check(len(logins) == 2 and logins[0] < run_end < logins[1],
              f"not the run's login and then the check's: lines {logins}, run's end {run_end}")
        check(lines.index("  サーバ設定の確認をしています") < run_end,
              "設定確認 was pressed only after the run: the overlap was not tried")
        check(not any("エラー" in line for line in lines), "an error in the log")

    def deleted_mail(self):
        press(self.top_window(RUNNING), KEPT)
        kept = self.shown_window(KEPT)
        for caption in ("メールソフトで開く", "ヘッダを表示", "フォルダを開く", "閉じる"):
            button(kept, caption)
        table = find(kept, Atspi.Role.TABLE, "削除したメールの一覧")
        check(table is not None, "no table named 削除したメールの一覧")
        check(os.path.exists(os.path.join(os.path.dirname(self.log_path), "deleted", "index.tsv")),
              "the run kept no copies of the deleted messages")
        cells = {d.get_name() for d in of_role(table, {Atspi.Role.TABLE_CELL})}
        missing = [subject for subject, _ in SPAM if subject not in cells]
        check(not missing, f"削除したメール does not list {missing}")
        self.screenshot(kept, "first-run-deleted-mail.png")
        press(kept, "閉じる")
        self.shown_window(KEPT, shown=False)

    def run(self):
        check(self.mailbox() == DEMO_IDS, "the demo mailbox does not hold the 40 messages expected")
        # The program ends with this script, however the script ends (PR_SET_PDEATHSIG).
        with open(os.path.join(self.out, "postsweep.stderr"), "wb") as stderr:
            process = subprocess.Popen([self.program], stdout=stderr, stderr=stderr,
                                       preexec_fn=lambda: ctypes.CDLL(None).prctl(1, 9))
        self.app = wait_for("the application on the accessibility bus", lambda: next(
            (a for a in children(Atspi.get_desktop(0)) if a.get_name().lower() == "postsweep"),
            None), 30)
        self.app.set_cache_mask(Atspi.Cache.NONE)  # windows come and go; ask afresh each time
        for step in (self.main_window, self.settings_dialog, self.run_and_verify,
                     self.after_run, self.log, self.deleted_mail):
            step()
        press(self.top_window(RUNNING), "終\u3000了")
        wait_for("PostSweep to end after 終\u3000了", lambda: process.poll() is not None)
        check(process.returncode == 0, f"PostSweep ended with status {process.returncode}")
        check(stamped(self.log_lines(), "  終了キーが押されたので終了します"),
              "no exit line in the log")

if __name__ == "__main__":
    try:
        FirstRun(*sys.argv[1:4]).run()
    except AssertionError as failure:
        sys.exit(f"FAILED: {failure}")
