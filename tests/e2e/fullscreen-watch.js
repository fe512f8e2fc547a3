// Counts the page's full-screen switches still under way, so that the
// driver, whose clock does not move the browser's own work, can wait for a
// switch to finish before it moves the page clock on. A switch ends when
// the promise of requestFullscreen or exitFullscreen settles.
(() => {
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
