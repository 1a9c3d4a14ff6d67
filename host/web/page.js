// The page's side of the browser host, run before the program starts (it is
// emitted at the head of the program's script, --pre-js). It puts the game's
// files into the program's working folder, keeps the canvas as large as whole
// multiples of its pixels allow, builds the menu bar the program describes,
// queues keys, menu commands and the page going to the background or coming
// back for the program to take (host/web/events.cpp) each time it waits, and
// shows the message panel, the wait overlay and the end of the game.
//
// The page holds: #menubar, #screen with the 480 x 272 #canvas, #wait,
// #panel (#panel-caption, #panel-text, #panel-ok) and #ended, and #status;
// <body data-files="a.png b.png"> names the files to fetch. Scripts and
// tests read quorlPage.frames (frames shown), quorlPage.firstFrameMs and
// quorlPage.frameTimes (when the first and the last frames were shown, on
// the page's clock), document.body.dataset.state
// ("loading", "running", "ended", "crashed") and, once the game has ended,
// document.body.dataset.exitCode.

var quorlPage = (function () {
  'use strict';

  // As host/web/events.cpp takes them.
  var EVENT_KEY_DOWN = 1;
  var EVENT_KEY_UP = 2;
  var EVENT_KEYS_LOST = 3;
  var EVENT_MENU = 4;
  var EVENT_HIDDEN = 5;
  var EVENT_SHOWN = 6;
  var MENU_POPUP = -1;
  var SCREEN_WIDTH = 480;
  var SCREEN_HEIGHT = 272;
  // Keys the browser keeps for itself (reload, full screen, its tools).
  var BROWSER_KEYS = ['F5', 'F11', 'F12'];
  var FRAME_TIMES = 1024;

  var page = {events: [], frames: 0, ended: false};
  var body = document.body;
  var canvas = document.getElementById('canvas');
  var screen = document.getElementById('screen');
  var menubar = document.getElementById('menubar');
  var status = document.getElementById('status');
  var waitOverlay = document.getElementById('wait');
  var panel = document.getElementById('panel');
  var panelOk = document.getElementById('panel-ok');
  var endedNotice = document.getElementById('ended');
  var frameWaiter = null;
  var panelWaiter = null;
  var panelOpen = false;
  var lastMessage = '';
  // Popup lists by depth: entries of depth d + 1 go into popupLists[d].
  var popupLists = [];
  var menuButtons = [];
  var openMenus = [];

  function queue(kind, value, code) {
    if (page.ended) {
      return;
    }
    page.events.push({kind: kind, value: value || 0, code: code || ''});
    // A program waiting on the panel takes the event at once.
    if (panelWaiter) {
      var resolve = panelWaiter;
      panelWaiter = null;
      resolve(0);
    }
  }

  function wakeFrameWait() {
    if (frameWaiter) {
      var resolve = frameWaiter;
      frameWaiter = null;
      resolve(-1);
    }
  }

  function setStatus(text) {
    status.textContent = text;
  }

  // ---- Canvas size and focus -------------------------------------------------

  // The largest whole multiple of the screen in device pixels that fits.
  function fit() {
    var ratio = window.devicePixelRatio || 1;
    var width = document.documentElement.clientWidth - 16;
    var height = window.innerHeight - menubar.offsetHeight - status.offsetHeight - 24;
    var scale = Math.max(1, Math.floor(Math.min(width * ratio / SCREEN_WIDTH,
                                                height * ratio / SCREEN_HEIGHT)));
    screen.style.width = SCREEN_WIDTH * scale / ratio + 'px';
    screen.style.height = SCREEN_HEIGHT * scale / ratio + 'px';
  }

  function focusCanvas() {
    if (!panelOpen && openMenus.length === 0) {
      canvas.focus({preventScroll: true});
    }
  }

  // ---- Keys ---------------------------------------------------------------------

  function onKey(event, down) {
    if (panelOpen || menubar.contains(event.target) || panel.contains(event.target)) {
      return;
    }
    if (!page.ended) {
      queue(down ? EVENT_KEY_DOWN : EVENT_KEY_UP, 0, event.code);
    }
    // The game's keys (arrows, space, Tab) must not scroll the page or move
    // the focus; the browser's own combinations stay the browser's.
    if (!event.ctrlKey && !event.metaKey && !event.altKey && BROWSER_KEYS.indexOf(event.code) < 0) {
      event.preventDefault();
    }
  }

  // ---- Menu bar -----------------------------------------------------------------

  function closeMenus() {
    openMenus.forEach(function (item) { item.classList.remove('open'); });
    openMenus = [];
  }

  function openMenu(item, depth) {
    if (openMenus.length === 0) {
      queue(EVENT_KEYS_LOST);  // the menu has the keyboard now
    }
    openMenus.slice(depth).forEach(function (other) { other.classList.remove('open'); });
    openMenus = openMenus.slice(0, depth);
    item.classList.add('open');
    openMenus.push(item);
  }

  page.addMenuEntry = function (index, depth, text, command, grayed) {
    var item = document.createElement('li');
    var button = document.createElement('button');
    button.type = 'button';
    button.textContent = text;
    button.dataset.entry = index;
    item.appendChild(button);
    var parent = depth === 0 ? menubar : popupLists[depth - 1];
    parent.appendChild(item);
    if (command === MENU_POPUP) {
      var list = document.createElement('ul');
      list.className = 'popup';
      list.setAttribute('role', 'menu');
      item.appendChild(list);
      item.className = depth === 0 ? 'bar' : 'submenu';
      button.setAttribute('aria-haspopup', 'menu');
      popupLists[depth] = list;
      button.addEventListener('click', function () {
        if (depth === 0 && item.classList.contains('open')) {
          closeMenus();
          focusCanvas();
        } else {
          openMenu(item, depth);
        }
      });
      button.addEventListener('mouseenter', function () {
        if (openMenus.length > 0) {
          openMenu(item, depth);
        }
      });
    } else {
      button.setAttribute('role', 'menuitemcheckbox');
      button.setAttribute('aria-checked', 'false');
      button.disabled = grayed;
      button.addEventListener('click', function () {
        closeMenus();
        queue(EVENT_MENU, command);
        focusCanvas();
      });
      button.addEventListener('mouseenter', function () {
        openMenus.slice(depth).forEach(function (other) { other.classList.remove('open'); });
        openMenus = openMenus.slice(0, depth);
      });
    }
    menuButtons[index] = button;
    fit();
  };

  page.setMenuMark = function (index, shows) {
    var button = menuButtons[index];
    if (button) {
      button.classList.toggle('checked', shows);
      button.setAttribute('aria-checked', shows ? 'true' : 'false');
    }
  };

  // ---- What the program calls -------------------------------------------------

  page.open = function (title) {
    document.title = title;
    body.dataset.state = 'running';
    setStatus('');
    focusCanvas();
  };

  page.nextFrame = function () {
    return new Promise(function (resolve) {
      if (page.ended) {
        return;  // never: the program has stopped
      }
      frameWaiter = resolve;
      requestAnimationFrame(function (time) {
        if (frameWaiter === resolve && !page.ended) {
          frameWaiter = null;
          resolve(time);
        }
      });
    });
  };

  // Times (performance.now) of the first frame shown and of the last
  // FRAME_TIMES ones, for the benchmark.
  page.firstFrameMs = -1;
  page.frameTimes = [];
  page.frameShown = function () {
    var now = performance.now();
    if (page.frames++ === 0) {
      page.firstFrameMs = now;
    }
    page.frameTimes.push(now);
    if (page.frameTimes.length > FRAME_TIMES) {
      page.frameTimes.shift();
    }
  };

  page.showPanel = function (caption, text) {
    document.getElementById('panel-caption').textContent = caption;
    document.getElementById('panel-text').textContent = text;
    lastMessage = text;
    panelOpen = true;
    panel.hidden = false;
    queue(EVENT_KEYS_LOST);
    panelOk.focus({preventScroll: true});
  };

  page.waitPanel = function () {
    return new Promise(function (resolve) {
      if (!panelOpen) {
        resolve(1);
      } else if (page.events.length > 0) {
        resolve(0);
      } else {
        panelWaiter = resolve;
      }
    });
  };

  page.showWait = function () {
    waitOverlay.hidden = false;
  };

  page.end = function (exitCode) {
    page.ended = true;
    wakeFrameWait();
    waitOverlay.hidden = true;
    panel.hidden = true;
    panelOpen = false;
    closeMenus();
    body.dataset.exitCode = String(exitCode);
    body.dataset.state = 'ended';
    var text = exitCode === 0 ? 'The game has ended.'
                              : 'The game has ended with exit code ' + exitCode + '.';
    if (exitCode !== 0 && lastMessage) {
      text += '\n' + lastMessage;
    }
    document.getElementById('ended-text').textContent = text;
    endedNotice.hidden = false;
    setStatus('');
  };

  // ---- Start-up ----------------------------------------------------------------

  Module.canvas = canvas;
  Module.print = function (text) { console.log(text); };
  Module.printErr = function (text) { console.warn(text); };
  Module.onAbort = function (what) {
    body.dataset.state = 'crashed';
    lastMessage = String(what);
    setStatus('The game stopped with an error: ' + what);
  };
  // The game's files, fetched into the working folder before main runs; a
  // file the server does not have is left out, and the game says so.
  Module.preRun = [function () {
    var names = (body.dataset.files || '').split(/\s+/).filter(Boolean);
    addRunDependency('quorl-files');
    Promise.all(names.map(function (name) {
      return fetch(name).then(function (response) {
        return response.ok ? response.arrayBuffer() : null;
      }).then(function (bytes) {
        if (bytes) {
          FS.writeFile(name, new Uint8Array(bytes));
        }
      }).catch(function () {});
    })).then(function () {
      removeRunDependency('quorl-files');
    });
  }];

  window.addEventListener('keydown', function (event) { onKey(event, true); });
  window.addEventListener('keyup', function (event) { onKey(event, false); });
  window.addEventListener('blur', function () { queue(EVENT_KEYS_LOST); });
  window.addEventListener('resize', fit);
  document.addEventListener('visibilitychange', function () {
    queue(document.hidden ? EVENT_HIDDEN : EVENT_SHOWN);
    wakeFrameWait();
  });
  window.addEventListener('pagehide', function () {
    if (!page.ended && Module.calledRun) {
      try {
        Module._webPageLeft();
      } catch (error) {
        // A program that stopped with an error has nothing left to save.
      }
    }
  });
  document.addEventListener('mousedown', function (event) {
    if (!menubar.contains(event.target)) {
      closeMenus();
    }
  });
  document.addEventListener('click', function (event) {
    if (!menubar.contains(event.target) && !panel.contains(event.target)) {
      focusCanvas();
    }
  });
  menubar.addEventListener('keydown', function (event) {
    if (event.key === 'Escape') {
      closeMenus();
      focusCanvas();
    }
  });
  panelOk.addEventListener('click', function () {
    panel.hidden = true;
    panelOpen = false;
    focusCanvas();
    if (panelWaiter) {
      var resolve = panelWaiter;
      panelWaiter = null;
      resolve(1);
    }
  });
  document.getElementById('ended-again').addEventListener('click', function () {
    location.reload();
  });
  body.dataset.state = 'loading';
  setStatus('Loading…');
  fit();
  return page;
})();
