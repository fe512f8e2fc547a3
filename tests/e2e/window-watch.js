// Added to every page of the browser harness before its own scripts. It
// notes what the page asks of the browser window, so the driver reads it as
// the page's own state instead of waiting in real time for the browser to
// act on it:
// - every window.open (address made absolute, target, page time), which the
//   driver reports as the movie's new windows even while the browser is still
//   loading them;
// - full-screen switches still under way: a switch ends when the promise of
//   requestFullscreen or exitFullscreen settles, and the driver lets it end
//   before it looks at the page or clicks on it.
(() => {
  window.__reelcastOpened = [];
  const open = window.open;
  window.open = function (url, target, ...rest) {
    let href = String(url === undefined ? '' : url);
    try { href = new URL(href, location.href).href; } catch (e) { /* kept as given */ }
    window.__reelcastOpened.push({ url: href, target: String(target || ''), at: performance.now() });
    return open.call(this, url, target, ...rest);
  };

  window.__fullscreenSwitches = 0;
  const watch = (owner, name) => {
    const original = owner[name];
    if (typeof original !== 'function') return;
    owner[name] = function (...args) {
      const promise = original.apply(this, args);
      if (!promise || typeof promise.then !== 'function') return promise;
      window.__fullscreenSwitches++;
      const done = () => { window.__fullscreenSwitches--; };
      promise.then(done, done);
      return promise;
    };
  };
  watch(Element.prototype, 'requestFullscreen');
  watch(Document.prototype, 'exitFullscreen');
})();
