// The page a Flash view shows: one Ruffle player filling the window area,
// driven by the view through window.reelcast.
#include "ui/FlashServer.h"

namespace reelcast::ui {

QByteArray PlayerPage(const QString& rufflePrefix) {
  QByteArray page = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8">
<style>
html,body{margin:0;padding:0;width:100%;height:100%;overflow:hidden;background:#000000}
#stage{position:absolute;left:0;top:0;width:100%;height:100%}
#stage>*{width:100%;height:100%;display:block}
</style>
<script>
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = {
  autoplay: 'on', unmuteOverlay: 'hidden', splashScreen: false, contextMenu: 'off',
  letterbox: 'off', scale: 'showAll', quality: 'high', warnOnUnsupportedContent: false,
  logLevel: 'error', openUrlMode: 'deny', allowNetworking: 'all', showSwfDownload: false,
  publicPath: '@RUFFLE@', polyfills: false
};
</script>
<script src="@RUFFLE@ruffle.js"></script>
</head><body><div id="stage"></div>
<script>
// What the view and the tests read: the movie shown, whether it runs, and
// how many right-button presses reached the page.
window.reelcast = {
  url: '', loaded: false, playing: false, background: '#000000', rightPresses: 0, loads: 0,
  player: null,
  // Replaces the movie shown at once; an empty url leaves the area empty.
  load(url) {
    const stage = document.getElementById('stage');
    stage.replaceChildren();
    this.player = null;
    this.url = url;
    this.loaded = false;
    this.playing = true;  // a new movie plays as its timeline says until stopped
    if (!url) return;
    const player = window.RufflePlayer.newest().createPlayer();
    this.player = player;
    stage.appendChild(player);
    // Without a graphics card the runtime offers a notice about hardware
    // acceleration at the first mouse-over, and a stopped movie gets a big
    // play button; either would cover the movie.
    if (player.shadowRoot) {
      const style = document.createElement('style');
      style.textContent = '#hardware-acceleration-modal,#play-button{display:none !important}';
      player.shadowRoot.appendChild(style);
    }
    player.addEventListener('loadedmetadata', () => {
      if (this.player !== player) return;
      this.loaded = true;
      this.loads++;
      if (!this.playing) player.ruffle().suspend();
      // Shown once the browser has painted the player at least once.
      requestAnimationFrame(() => requestAnimationFrame(() => {
        if (this.player === player) console.log('reelcast:shown ' + url);
      }));
    });
    player.ruffle().load({ url: url, backgroundColor: this.background });
  },
  play() {
    this.playing = true;
    if (this.player && this.loaded) this.player.ruffle().resume();
  },
  stop() {
    this.playing = false;
    if (this.player && this.loaded) this.player.ruffle().suspend();
  },
  setBackground(color) {
    this.background = color;
    document.body.style.background = color;
  }
};
window.addEventListener('pointerdown', (e) => { if (e.button === 2) window.reelcast.rightPresses++; }, true);
document.addEventListener('contextmenu', (e) => e.preventDefault(), true);
</script></body></html>
)";
  page.replace("@RUFFLE@", rufflePrefix.toUtf8());
  return page;
}

}  // namespace reelcast::ui
