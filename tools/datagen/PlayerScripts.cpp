// The scripts of the player templates. "as.swf" carries what every player
// shares: time texts, drawing helpers, the controls and the playback engine
// (a NetStream for an FLV beside the movie, the main timeline for an
// embedded one). Each player's own script lays out and paints its controls
// in its initPlayer function, from the _global variables the published
// movie sets.
#include "PlayerScripts.h"

namespace reelcast::datagen {

const char* SharedPlayerScript() {
  return R"AS(
// ---------------------------------------------------------------- texts
_global.rcTwo = function(n) {
  if (n < 10) { return "0" + n; }
  return "" + n;
};
// Seconds as mm:ss, or h:mm:ss from an hour on.
_global.rcTime = function(s) {
  if (s == undefined || isNaN(s) || s < 0) { s = 0; }
  s = Math.floor(s);
  var text = rcTwo(Math.floor((s % 3600) / 60)) + ":" + rcTwo(s % 60);
  if (s >= 3600) { return Math.floor(s / 3600) + ":" + text; }
  return text;
};

// ---------------------------------------------------------------- drawing
_global.rcRect = function(mc, x, y, w, h, rgb, alpha) {
  mc.beginFill(rgb, alpha);
  mc.moveTo(x, y);
  mc.lineTo(x + w, y);
  mc.lineTo(x + w, y + h);
  mc.lineTo(x, y + h);
  mc.lineTo(x, y);
  mc.endFill();
};
_global.rcRoundPath = function(mc, x, y, w, h, r) {
  mc.moveTo(x + r, y);
  mc.lineTo(x + w - r, y);
  mc.curveTo(x + w, y, x + w, y + r);
  mc.lineTo(x + w, y + h - r);
  mc.curveTo(x + w, y + h, x + w - r, y + h);
  mc.lineTo(x + r, y + h);
  mc.curveTo(x, y + h, x, y + h - r);
  mc.lineTo(x, y + r);
  mc.curveTo(x, y, x + r, y);
};
_global.rcRound = function(mc, x, y, w, h, r, rgb, alpha) {
  mc.beginFill(rgb, alpha);
  rcRoundPath(mc, x, y, w, h, r);
  mc.endFill();
};
// A vertical gradient from top to bottom colour.
_global.rcGradient = function(mc, x, y, w, h, r, top, bottom) {
  var m = {matrixType: "box", x: x, y: y, w: w, h: h, r: Math.PI / 2};
  mc.beginGradientFill("linear", [top, bottom], [100, 100], [0, 255], m);
  rcRoundPath(mc, x, y, w, h, r);
  mc.endFill();
};
_global.rcCircle = function(mc, cx, cy, r, rgb, alpha) {
  var step = Math.PI / 4;
  var c = r / Math.cos(step / 2);
  mc.beginFill(rgb, alpha);
  mc.moveTo(cx + r, cy);
  for (var k = 0; k < 8; k += 1) {
    var a = k * step;
    mc.curveTo(cx + c * Math.cos(a + step / 2), cy + c * Math.sin(a + step / 2),
               cx + r * Math.cos(a + step), cy + r * Math.sin(a + step));
  }
  mc.endFill();
};
// A filled polygon from [x0, y0, x1, y1, ...].
_global.rcPoly = function(mc, p, rgb, alpha) {
  mc.beginFill(rgb, alpha);
  mc.moveTo(p[0], p[1]);
  for (var i = 2; i < p.length; i += 2) { mc.lineTo(p[i], p[i + 1]); }
  mc.lineTo(p[0], p[1]);
  mc.endFill();
};
_global.rcIconPlay = function(mc, cx, cy, s, rgb) {
  rcPoly(mc, [cx - s * 0.35, cy - s * 0.5, cx + s * 0.5, cy, cx - s * 0.35, cy + s * 0.5], rgb, 100);
};
_global.rcIconPause = function(mc, cx, cy, s, rgb) {
  rcRect(mc, cx - s * 0.4, cy - s * 0.5, s * 0.3, s, rgb, 100);
  rcRect(mc, cx + s * 0.1, cy - s * 0.5, s * 0.3, s, rgb, 100);
};
_global.rcIconSpeaker = function(mc, x, cy, s, rgb) {
  rcPoly(mc, [x, cy - s * 0.2, x + s * 0.3, cy - s * 0.2, x + s * 0.65, cy - s * 0.5,
              x + s * 0.65, cy + s * 0.5, x + s * 0.3, cy + s * 0.2, x, cy + s * 0.2], rgb, 100);
};

// ---------------------------------------------------------------- controls
// st: the player's colours and shapes. Each control keeps the engine in
// .engine, given by rcStart.

// A play/pause button of size s at (x, y); st.button: "round" or "square".
_global.rcPlayButton = function(parent, depth, x, y, s, st) {
  var b = parent.createEmptyMovieClip("playButton", depth);
  b._x = x;
  b._y = y;
  if (st.button == "round") {
    rcCircle(b, s / 2, s / 2, s / 2, st.buttonFace, 100);
  } else {
    rcGradient(b, 0, 0, s, s, st.buttonRadius, st.buttonFace, st.buttonShade);
  }
  var on = b.createEmptyMovieClip("icoPlay", 1);
  rcIconPlay(on, s / 2 + s * 0.04, s / 2, s * 0.45, st.icon);
  var off = b.createEmptyMovieClip("icoPause", 2);
  rcIconPause(off, s / 2, s / 2, s * 0.42, st.icon);
  b.setPlaying = function(playing) {
    this.icoPlay._visible = !playing;
    this.icoPause._visible = playing;
  };
  b.setPlaying(false);
  b.onRelease = function() { this.engine.toggle(); };
  return b;
};

// A seek bar w wide with a track h high at (x, y); clicking it seeks.
_global.rcSeekBar = function(parent, depth, x, y, w, h, st) {
  var bar = parent.createEmptyMovieClip("seekBar", depth);
  bar._x = x;
  bar._y = y;
  bar.w = w;
  // The hit area reaches beyond the thin track.
  rcRect(bar, 0, h / 2 - 9, w, 18, 0xFFFFFF, 0);
  rcRound(bar, 0, 0, w, h, h / 2, st.track, 100);
  var fill = bar.createEmptyMovieClip("fill", 1);
  rcRound(fill, 0, 0, w, h, h / 2, st.fill, 100);
  fill._xscale = 0;
  if (st.knob > 0) {
    var knob = bar.createEmptyMovieClip("knob", 2);
    rcCircle(knob, 0, h / 2, st.knob, st.knobColor, 100);
  }
  bar.set = function(f) {
    this.fill._xscale = f * 100;
    this.knob._x = f * this.w;
  };
  bar.onPress = function() {
    var f = this._xmouse / this.w;
    this.engine.seek(f);
  };
  return bar;
};

// A full-screen button of size s at (x, y): four corner marks that point
// out (to full screen) or in (back); a click switches the stage.
_global.rcFullScreenButton = function(parent, depth, x, y, s, st) {
  var b = parent.createEmptyMovieClip("fullButton", depth);
  b._x = x;
  b._y = y;
  rcRect(b, 0, 0, s, s, 0xFFFFFF, 0);
  var m = s * 0.2;
  var k = s * 0.28;
  var t = Math.max(2, Math.round(s / 12));
  var out = b.createEmptyMovieClip("icoOut", 1);
  rcRect(out, m, m, k, t, st.speaker, 100);
  rcRect(out, m, m, t, k, st.speaker, 100);
  rcRect(out, s - m - k, m, k, t, st.speaker, 100);
  rcRect(out, s - m - t, m, t, k, st.speaker, 100);
  rcRect(out, m, s - m - t, k, t, st.speaker, 100);
  rcRect(out, m, s - m - k, t, k, st.speaker, 100);
  rcRect(out, s - m - k, s - m - t, k, t, st.speaker, 100);
  rcRect(out, s - m - t, s - m - k, t, k, st.speaker, 100);
  // In full screen the marks turn round: their corners point to the
  // middle, with a gap between them.
  var inn = b.createEmptyMovieClip("icoIn", 2);
  var c = s * 0.4;
  var d = s - c;
  var n = s * 0.25;
  rcRect(inn, c - n, c - t, n, t, st.speaker, 100);
  rcRect(inn, c - t, c - n, t, n, st.speaker, 100);
  rcRect(inn, d, c - t, n, t, st.speaker, 100);
  rcRect(inn, d, c - n, t, n, st.speaker, 100);
  rcRect(inn, c - n, d, n, t, st.speaker, 100);
  rcRect(inn, c - t, d, t, n, st.speaker, 100);
  rcRect(inn, d, d, n, t, st.speaker, 100);
  rcRect(inn, d, d, t, n, st.speaker, 100);
  inn._visible = false;
  b.onEnterFrame = function() {
    var full = Stage.displayState == "fullScreen";
    this.icoOut._visible = !full;
    this.icoIn._visible = full;
  };
  b.onRollOver = function() { this._alpha = 70; };
  b.onRollOut = function() { this._alpha = 100; };
  b.onPress = function() { this._alpha = 45; };
  b.onRelease = function() {
    this._alpha = 70;
    if (Stage.displayState == "fullScreen") {
      Stage.displayState = "normal";
    } else {
      Stage.displayState = "fullScreen";
    }
  };
  return b;
};

// Five rising bars; a click on a bar sets the volume, on the speaker mutes.
_global.rcVolume = function(parent, depth, x, y, h, st) {
  var v = parent.createEmptyMovieClip("volume", depth);
  v._x = x;
  v._y = y;
  var sp = v.createEmptyMovieClip("speaker", 1);
  rcRect(sp, 0, 0, h, h, 0xFFFFFF, 0);
  rcIconSpeaker(sp, 0, h / 2, h * 0.8, st.speaker);
  sp.onRelease = function() { this._parent.engine.toggleMute(); };
  for (var k = 0; k < 5; k += 1) {
    var b = v.createEmptyMovieClip("bar" + k, 10 + k);
    b._x = h + 2 + k * 5;
    rcRect(b, -1, 0, 5, h, 0xFFFFFF, 0);
    var bh = h * (0.3 + k * 0.175);
    rcRect(b, 0, h - bh, 3, bh, st.fill, 100);
    b.level = (k + 1) * 20;
    b.onRelease = function() { this._parent.engine.setVolume(this.level); };
  }
  v.show = function(level) {
    for (var k = 0; k < 5; k += 1) {
      var b = this["bar" + k];
      if (b.level <= level) { b._alpha = 100; } else { b._alpha = 30; }
    }
    if (level > 0) { this.speaker._alpha = 100; } else { this.speaker._alpha = 40; }
  };
  return v;
};

// ---------------------------------------------------------------- engine
// Plays g_flvURL through a NetStream into host.video, or drives the main
// timeline when the video is embedded (g_flvURL undefined). Ends as the
// settings say: g_endURL opened, then g_repeat, else g_autoRewind.
_global.rcCreateEngine = function(host) {
  var e = {};
  e.host = host;
  e.external = _global.g_flvURL != undefined;
  e.playing = false;
  e.started = false;
  e.ended = false;
  e.endOpened = false;
  e.stopped = false;
  e.total = 0;
  e.lastTime = -1;
  e.still = 0;
  e.fps = 15;
  if (_global.g_fps > 0) { e.fps = _global.g_fps; }
  e.sound = new Sound();
  e.level = 80;
  e.muted = false;
  e.sound.setVolume(80);
  if (e.external) {
    e.nc = new NetConnection();
    e.nc.connect(null);
    e.ns = new NetStream(e.nc);
    e.ns.owner = e;
    host.video.attachVideo(e.ns);
    e.ns.onMetaData = function(info) {
      if (info.duration > 0) { this.owner.total = info.duration; }
    };
    e.ns.onStatus = function(info) {
      if (info.code == "NetStream.Play.Stop") {
        this.owner.stopped = true;
        this.owner.reachEnd();
      }
    };
  }
  e.time = function() {
    if (this.external) {
      if (!this.started) { return 0; }
      return this.ns.time;
    }
    return (_root._currentframe - 1) / this.fps;
  };
  e.duration = function() {
    if (this.external) { return this.total; }
    return _root._totalframes / this.fps;
  };
  e.play = function() {
    if (this.external) {
      // A stream that reached its end is played anew from its start.
      if (!this.started || this.ended) {
        this.started = true;
        this.stopped = false;
        this.ns.play(_global.g_flvURL);
      } else {
        this.ns.pause(false);
      }
    } else {
      if (this.ended || _root._currentframe >= _root._totalframes) {
        _root.gotoAndPlay(1);
      } else {
        _root.play();
      }
    }
    this.playing = true;
    this.ended = false;
    this.still = 0;
  };
  e.pause = function() {
    if (this.external) {
      if (this.started) { this.ns.pause(true); }
    } else {
      _root.stop();
    }
    this.playing = false;
  };
  e.toggle = function() {
    if (this.playing) { this.pause(); } else { this.play(); }
  };
  // f: 0 for the start, 1 for the end.
  e.seek = function(f) {
    if (f < 0) { f = 0; }
    if (f > 1) { f = 1; }
    if (this.external) {
      if (!this.started || this.ended) { this.play(); }
      if (this.total > 0) { this.ns.seek(f * this.total); }
      this.still = 0;
      this.lastTime = -1;
      return;
    }
    var n = _root._totalframes;
    var target = 1 + Math.round(f * (n - 1));
    this.ended = false;
    if (this.playing) { _root.gotoAndPlay(target); } else { _root.gotoAndStop(target); }
  };
  e.setVolume = function(level) {
    this.level = level;
    this.muted = false;
    this.sound.setVolume(level);
  };
  e.toggleMute = function() {
    this.muted = !this.muted;
    if (this.muted) { this.sound.setVolume(0); } else { this.sound.setVolume(this.level); }
  };
  e.volume = function() {
    if (this.muted) { return 0; }
    return this.level;
  };
  e.reachEnd = function() {
    if (this.ended) { return; }
    this.ended = true;
    if (_global.g_endURL != undefined && !this.endOpened) {
      this.endOpened = true;
      var target = _global.g_endURLTarget;
      if (target == undefined || target == "") { target = "_self"; }
      this.host.getURL(_global.g_endURL, target);
    }
    if (_global.g_repeat) {
      this.ended = false;
      if (this.external) {
        if (this.stopped) {
          this.stopped = false;
          this.ns.play(_global.g_flvURL);
        } else {
          this.ns.seek(0);
        }
      } else {
        _root.gotoAndPlay(1);
      }
      this.still = 0;
      this.lastTime = -1;
      return;
    }
    this.playing = false;
    if (this.external) {
      if (_global.g_autoRewind) { this.ns.seek(0); }
      this.ns.pause(true);
    } else {
      if (_global.g_autoRewind) { _root.gotoAndStop(1); } else { _root.stop(); }
    }
  };
  // Called every frame: notices the end of the video.
  e.update = function() {
    if (!this.playing) { return; }
    if (!this.external) {
      if (_root._currentframe >= _root._totalframes) { this.reachEnd(); }
      return;
    }
    var t = this.ns.time;
    if (t == this.lastTime && t > 0) { this.still += 1; } else { this.still = 0; }
    this.lastTime = t;
    // A repeating stream is wound back on its last frames, while it still
    // plays: a stream that has stopped is not restarted by a seek everywhere.
    if (_global.g_repeat && this.total > 0 && t >= this.total - Math.max(0.2, 2.5 / this.fps)) {
      this.reachEnd();
      return;
    }
    if (this.total > 0 && t >= this.total - 0.5 && this.still >= this.fps / 2) { this.reachEnd(); }
    if (this.total == 0 && this.still >= this.fps * 3) { this.reachEnd(); }
  };
  return e;
};

// Wires the controls of host to a new engine and starts it as g_autoPlay
// says; host.refresh then runs every frame.
_global.rcStart = function(host) {
  var e = rcCreateEngine(host);
  host.engine = e;
  host.playButton.engine = e;
  host.seekBar.engine = e;
  host.volume.engine = e;
  if (_global.g_autoPlay) { e.play(); } else { e.pause(); }
  host.onEnterFrame = function() {
    var e = this.engine;
    e.update();
    var d = e.duration();
    var t = e.time();
    var f = 0;
    if (d > 0) { f = t / d; }
    if (f > 1) { f = 1; }
    this.seekBar.set(f);
    this.playButton.setPlaying(e.playing);
    this.volume.show(e.volume());
    this.timeText.text = rcTime(t) + " / " + rcTime(d);
  };
};

if (_global.g_videoWidth != undefined && _global.initPlayer != undefined) { initPlayer(); }
)AS";
}

// The part every player's script begins with: initPlayer defined globally,
// running the player's rcInit once the shared scripts and the movie's
// variables are there, whichever of the three timelines runs last.
std::string PlayerScript(const TPlayerLayout& layout, const std::string& body) {
  std::string s = R"AS(
var pc = this;
this.stop();
_global.initPlayer = function() { pc.rcInit(); };
this.rcInit = function() {
  if (this.rcStarted || _global.rcStart == undefined || _global.g_videoWidth == undefined) { return; }
  this.rcStarted = true;
  _global.g_initilized = true;
)AS";
  s += "  var BAR = " + std::to_string(layout.Height) + ";\n";
  s += "  var SIDE = " + std::to_string(layout.Width) + ";\n";
  s += "  var SKIN_DEPTH = -16370;\n";
  s += R"AS(
  var W = _global.g_videoWidth;
  var H = _global.g_videoHeight;
  var vw = W - SIDE;
  var vh = H - BAR;
  this.video._x = 0;
  this.video._y = 0;
  this.video._width = vw;
  this.video._height = vh;
  this.video._visible = _global.g_flvURL != undefined;
)AS";
  s += body;
  s += R"AS(
  rcStart(this);
};
if (_global.g_videoWidth != undefined) { initPlayer(); }
)AS";
  return s;
}

}  // namespace reelcast::datagen
