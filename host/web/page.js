// The page's side of the browser host, run before the program starts (it is
// emitted at the head of the program's script, --pre-js). It puts the game's
// files into the program's working folder, shows the canvas at the window
// size's whole multiple (or as large as fits in full screen), builds the menu
// bar the program describes, queues keys, menu commands, the Controls
// dialog's clicks and the page going to the background or coming back for the
// program to take (host/web/events.cpp) each time it waits, and shows the
// message panel, the Controls dialog, the wait overlay and the end of the game.
//
// The page holds: #menubar, #screen with the 480 x 272 #canvas, #wait,
// #panel (#panel-caption, #panel-text, #panel-ok) and #ended, #controls, and
// #status; <body data-files="a.png b.png"> names the files to fetch. Scripts
// and tests read quorlPage.frames (frames shown), quorlPage.firstFrameMs and
// quorlPage.frameTimes (when the first and the last frames were shown, on
// the page's clock), document.body.dataset.state ("loading", "running",
// "ended", "crashed") and, once the game has ended,
// document.body.dataset.exitCode.

var quorlPage = (function () {
  'use strict';

  // As host/web/web.h numbers them.
  var EVENT_KEY_DOWN = 1;
  var EVENT_KEY_UP = 2;
  var EVENT_KEYS_LOST = 3;
  var EVENT_MENU = 4;
  var EVENT_HIDDEN = 5;
  var EVENT_SHOWN = 6;
  var EVENT_FULL_SCREEN_LEFT = 7;
  var EVENT_CONTROLS_CELL = 8;
  var EVENT_CONTROLS_DEFAULTS = 9;
  var EVENT_CONTROLS_OK = 10;
  var EVENT_CONTROLS_CANCEL = 11;
  var KEY_ALT = 1;
  var MENU_POPUP = -1;
  var MENU_SEPARATOR = -2;
  var SCREEN_WIDTH = 480;
  var SCREEN_HEIGHT = 272;
  // The key the browser keeps for itself: reload.
  var BROWSER_KEYS = ['F5'];
  var FRAME_TIMES = 1024;

  var page = {events: [], frames: 0, ended: false, firstFrameMs: -1, frameTimes: []};
  var body = document.body;
  var canvas = document.getElementById('canvas');
  var screen = document.getElementById('screen');
  var menubar = document.getElementById('menubar');
  var status = document.getElementById('status');
  var waitOverlay = document.getElementById('wait');
  var panel = document.getElementById('panel');
  var panelOk = document.getElementById('panel-ok');
  var endedNotice = document.getElementById('ended');
  var controls = document.getElementById('controls');
  var frameWaiter = null;
  var eventWaiter = null;
  var panelOpen = false;
  var controlsOpen = false;
  var controlsWaiting = false;
  var lastMessage = '';
  var windowScale = 1;
  var fullScreen = false;
  var titleTimer = null;
  // Popup lists by depth: entries of depth d + 1 go into popupLists[d].
  var popupLists = [];
  var menuButtons = [];
  var openMenus = [];

  function queue(kind, value, code) {
    if (page.ended) {
      return;
    }
    page.events.push({kind: kind, value: value || 0, code: code || ''});
    // A program waiting on a panel or the dialog takes the event at once.
    if (eventWaiter) {
      var resolve = eventWaiter;
      eventWaiter = null;
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

  // The largest whole multiple of the canvas, in device pixels, that the
  // page's room (in full screen, the screen) holds.
  function scaleThatFits() {
    var ratio = window.devicePixelRatio || 1;
    var width = fullScreen ? screen.clientWidth : document.documentElement.clientWidth - 16;
    var height = fullScreen ? screen.clientHeight
                            : window.innerHeight - menubar.offsetHeight - status.offsetHeight - 24;
    return Math.max(1, Math.floor(Math.min(width * ratio / SCREEN_WIDTH, height * ratio / SCREEN_HEIGHT)));
  }

  // The canvas at a whole multiple of its pixels in device pixels: the window
  // size's (made smaller when the room is too small), or in full screen the
  // largest that fits the screen.
  function fit() {
    var ratio = window.devicePixelRatio || 1;
    var fits = scaleThatFits();
    var scale = fullScreen ? fits : Math.max(1, Math.min(fits, Math.floor(windowScale * ratio)));
    canvas.style.width = SCREEN_WIDTH * scale / ratio + 'px';
    canvas.style.height = SCREEN_HEIGHT * scale / ratio + 'px';
  }

  function focusCanvas() {
    if (!panelOpen && !controlsOpen && openMenus.length === 0) {
      canvas.focus({preventScroll: true});
    }
  }

  // ---- Keys ---------------------------------------------------------------------

  function onKey(event, down) {
    if (panelOpen || menubar.contains(event.target) || panel.contains(event.target)) {
      return;
    }
    if (controlsOpen && !(down && controlsWaiting) && event.code !== 'Escape') {
      return;  // the dialog's own buttons take Tab, Enter and Space
    }
    if (!page.ended) {
      queue(down ? EVENT_KEY_DOWN : EVENT_KEY_UP, event.altKey ? KEY_ALT : 0, event.code);
    }
    // The game's keys (arrows, space, Tab, F11) must not scroll the page or
    // move the focus; the browser's own combinations stay the browser's.
    if (!event.ctrlKey && !event.metaKey && (!event.altKey || event.code === 'Enter') &&
        BROWSER_KEYS.indexOf(event.code) < 0) {
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

  page.addMenuEntry = function (index, depth, text, command, grayed, radio) {
    var item = document.createElement('li');
    var parent = depth === 0 ? menubar : popupLists[depth - 1];
    parent.appendChild(item);
    if (command === MENU_SEPARATOR) {
      item.className = 'separator';
      item.setAttribute('role', 'separator');
      return;
    }
    var button = document.createElement('button');
    button.type = 'button';
    button.textContent = text;
    button.dataset.entry = index;
    item.appendChild(button);
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
      button.setAttribute('role', radio ? 'menuitemradio' : 'menuitemcheckbox');
      button.setAttribute('aria-checked', 'false');
      button.classList.toggle('radio', radio);
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

  // ---- Window size, title, downloads -------------------------------------------

  // The largest whole multiple the page has room for, in CSS pixels.
  page.scaleThatFits = function () {
    return Math.max(1, Math.floor(scaleThatFits() / (window.devicePixelRatio || 1)));
  };

  // Full screen puts the screen alone on the display (a browser allows it
  // only soon after a click or a key press); the browser leaves it on
  // Escape, and the setting follows.
  page.setWindowSize = function (scale, full) {
    windowScale = scale;
    fullScreen = full;
    if (full && document.fullscreenElement !== screen && screen.requestFullscreen) {
      screen.requestFullscreen().catch(function () {
        fullScreen = false;
        queue(EVENT_FULL_SCREEN_LEFT);
        fit();
      });
    } else if (!full && document.fullscreenElement) {
      document.exitFullscreen().catch(function () {});
    }
    fit();
  };

  page.showTitle = function (text, ms) {
    var title = page.title;
    document.title = text;
    clearTimeout(titleTimer);
    titleTimer = setTimeout(function () { document.title = title; }, ms);
  };

  // Every file of a folder of the program's goes to the player as a
  // download, and leaves the folder.
  page.downloadFiles = function (folder) {
    FS.readdir(folder).forEach(function (name) {
      var path = folder + '/' + name;
      if (name === '.' || name === '..' || !FS.isFile(FS.stat(path).mode)) {
        return;
      }
      var url = URL.createObjectURL(new Blob([FS.readFile(path)], {type: 'image/png'}));
      var link = document.createElement('a');
      link.href = url;
      link.download = name;
      document.body.appendChild(link);
      link.click();
      link.remove();
      setTimeout(function () { URL.revokeObjectURL(url); }, 10000);
      FS.unlink(path);
    });
  };

  // ---- Controls dialog -------------------------------------------------------

  page.openControls = function () {
    controlsOpen = true;
    closeMenus();
    document.getElementById('controls-rows').textContent = '';
    controls.hidden = false;
    document.getElementById('controls-ok').focus({preventScroll: true});
  };

  page.addControlsRow = function (row, label) {
    var line = document.createElement('tr');
    var name = document.createElement('th');
    name.textContent = label;
    line.appendChild(name);
    [0, 1].forEach(function (column) {
      var cell = document.createElement('td');
      var button = document.createElement('button');
      button.type = 'button';
      button.id = 'controls-cell-' + row + '-' + column;
      button.addEventListener('click', function () {
        queue(EVENT_CONTROLS_CELL, row * 2 + column);
      });
      cell.appendChild(button);
      line.appendChild(cell);
    });
    document.getElementById('controls-rows').appendChild(line);
  };

  page.setControlsCell = function (row, column, text) {
    document.getElementById('controls-cell-' + row + '-' + column).textContent = text;
  };

  page.setControlsStatus = function (text, waiting) {
    document.getElementById('controls-status').textContent = text;
    controlsWaiting = waiting;
  };

  page.closeControls = function () {
    controlsOpen = false;
    controlsWaiting = false;
    controls.hidden = true;
    focusCanvas();
  };

  // ---- What the program waits on ------------------------------------------------

  page.open = function (title) {
    page.title = title;
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

  // Resolves when an event is queued (at once when one is waiting), or after
  // `ms` milliseconds (never, with ms < 0).
  page.waitEvent = function (ms) {
    return new Promise(function (resolve) {
      if (page.events.length > 0) {
        resolve(0);
        return;
      }
      eventWaiter = resolve;
      if (ms >= 0) {
        setTimeout(function () {
          if (eventWaiter === resolve) {
            eventWaiter = null;
            resolve(0);
          }
        }, ms);
      }
    });
  };

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

  // 1 once the panel is closed, 0 when an event came first.
  page.waitPanel = function () {
    if (!panelOpen) {
      return Promise.resolve(1);
    }
    return page.waitEvent(-1).then(function () { return panelOpen ? 0 : 1; });
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
    controls.hidden = true;
    closeMenus();
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(function () {});
    }
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
  document.addEventListener('fullscreenchange', function () {
    if (!document.fullscreenElement && fullScreen) {
      fullScreen = false;
      queue(EVENT_FULL_SCREEN_LEFT);
    }
    fit();
  });
  document.addEventListener('visibilitychange', function () {
    queue(document.hidden ? EVENT_HIDDEN : EVENT_SHOWN);
    wakeFrameWait();
  });
  window.addEventListener('pagehide', function () {
    if (!page.ended && Module.calledRun && Module._webPageLeft) {
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
    if (!menubar.contains(event.target) && !panel.contains(event.target) &&
        !controls.contains(event.target)) {
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
    if (eventWaiter) {
      var resolve = eventWaiter;
      eventWaiter = null;
      resolve(1);
    }
  });
  document.getElementById('controls-defaults').addEventListener('click', function () {
    queue(EVENT_CONTROLS_DEFAULTS);
  });
  document.getElementById('controls-ok').addEventListener('click', function () {
    queue(EVENT_CONTROLS_OK);
  });
  document.getElementById('controls-cancel').addEventListener('click', function () {
    queue(EVENT_CONTROLS_CANCEL);
  });
  document.getElementById('ended-again').addEventListener('click', function () {
    location.reload();
  });
  body.dataset.state = 'loading';
  setStatus('Loading…');
  fit();
  return page;
})();
