// Added to every page of the browser harness before its own scripts: an
// AudioContext whose clock is the page clock. Ruffle schedules its mixed sound
// in buffers, starts each at a context time and fills the next when one ends,
// and it paces a movie with stream sound by how far that sound has played. A
// real context plays in wall-clock time, which the harness's virtual clock
// does not drive; this one takes its currentTime from performance.now() and
// ends each buffer with a page timer, so sound and timeline follow virtual
// time together. Nothing is heard: the movie's sound is checked apart from the
// browser.
(() => {
  class VirtualBufferSource {
    constructor(context) {
      this.context = context;
      this.buffer = null;
      this.onended = null;
      this.loop = false;
      this.playbackRate = { value: 1 };
      this._timer = null;
      this._listeners = [];
    }
    connect(node) { return node; }
    disconnect() {}
    addEventListener(type, listener) { if (type === 'ended') this._listeners.push(listener); }
    removeEventListener(type, listener) {
      this._listeners = this._listeners.filter((l) => l !== listener);
    }
    start(when = 0) {
      const now = this.context.currentTime;
      const end = Math.max(when, now) + (this.buffer ? this.buffer.duration : 0);
      this._timer = setTimeout(() => this._end(), Math.max(0, (end - now) * 1000));
    }
    stop() {
      if (this._timer === null) return;
      clearTimeout(this._timer);
      this._end();
    }
    _end() {
      this._timer = null;
      const event = new Event('ended');
      if (this.onended) this.onended(event);
      for (const listener of this._listeners) listener(event);
    }
  }

  class VirtualGain {
    constructor() { this.gain = { value: 1, setValueAtTime() {} }; }
    connect(node) { return node; }
    disconnect() {}
  }

  class VirtualAudioContext {
    constructor(options) {
      this.sampleRate = (options && options.sampleRate) || 44100;
      this.state = 'running';
      this.destination = { channelCount: 2, maxChannelCount: 2 };
      this.onstatechange = null;
      this._epoch = performance.now();
    }
    get currentTime() { return (performance.now() - this._epoch) / 1000; }
    createBuffer(numberOfChannels, length, sampleRate) {
      return new AudioBuffer({ numberOfChannels, length, sampleRate });
    }
    createBufferSource() { return new VirtualBufferSource(this); }
    createGain() { return new VirtualGain(); }
    resume() { this.state = 'running'; return Promise.resolve(); }
    suspend() { this.state = 'suspended'; return Promise.resolve(); }
    close() { this.state = 'closed'; return Promise.resolve(); }
    addEventListener() {}
    removeEventListener() {}
  }

  window.AudioContext = VirtualAudioContext;
  window.webkitAudioContext = VirtualAudioContext;
})();
